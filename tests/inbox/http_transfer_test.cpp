#include "inbox/http_transfer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "inbox/check_feed_server.h"
#include "inbox/online_state.h"
#include "inbox/transfer_pool.h"
#include "inbox/transfer_state.h"
#include "support/run_process.h"

namespace vellorin {
namespace {

using namespace std::chrono_literals;
using States = std::vector<INetState>;

TransferOptions Limits(std::chrono::milliseconds total = 2s) {
    TransferOptions options;
    options.connectTimeout = 1s;
    options.totalTimeout = total;
    return options;
}

struct Outcome {
    TransferResult result;
    States states;
};

Outcome Fetch(const std::string& url, TransferOptions options = Limits(),
              const FeedValidators& validators = {}) {
    TransferPool pool(options);
    Outcome outcome;
    pool.setStateListener([&](TransferId, INetState state) { outcome.states.push_back(state); });
    TransferId id = pool.add(url, validators);
    while (pool.running(id))
        pool.poll(20);
    outcome.result = pool.take(id).value_or(TransferResult{});
    return outcome;
}

States Raised(INetState reached, INetState ended = INetState::Error) {
    States states;
    for (int s = 1; s <= static_cast<int>(reached); ++s)
        states.push_back(static_cast<INetState>(s));
    states.push_back(ended);
    return states;
}
const States kSucceeded = Raised(INetState::Disconnected, INetState::ResponseCompleted);

class HttpTransferTest : public ::testing::Test {
protected:
    HttpTransferTest() { test::PrepareLocalHttp(); }
    test::FeedServer server_;
};

TEST_F(HttpTransferTest, FeedArrivesWithStatusAndCharsetAfterUpToTenRedirects) {
    for (int n = 1; n <= 11; ++n) {
        server_.route("/hop/" + std::to_string(n),
                      [n](const httplib::Request&, httplib::Response& response) {
                          response.set_redirect("/hop/" + std::to_string(n - 1), 302);
                      });
    }
    const std::string feed = test::RssDocument(test::RssItem("g1", "Café € “quoted” 日本", ""));
    std::string acceptEncoding;
    server_.route("/hop/0", [&](const httplib::Request& request, httplib::Response& response) {
        acceptEncoding = request.get_header_value("Accept-Encoding");
        response.set_header("ETag", "W/\"hop-0\"");
        response.set_header("Last-Modified", "Mon, 05 Dec 2026 08:00:00 GMT");
        response.set_content(feed, "text/xml; charset=\"ISO-8859-1\"");
    });

    Outcome ten = Fetch(server_.url("/hop/10"));
    ASSERT_TRUE(ten.result.ok()) << ten.result.detail;
    EXPECT_EQ(ten.result.body, feed);
    EXPECT_EQ(ten.result.httpStatus, 200);
    EXPECT_EQ(ten.result.charset, "ISO-8859-1");
    EXPECT_EQ(ten.result.validators,
              (FeedValidators{"W/\"hop-0\"", "Mon, 05 Dec 2026 08:00:00 GMT"}));
    EXPECT_EQ(ten.states, kSucceeded);

    Outcome eleven = Fetch(server_.url("/hop/11"));
    EXPECT_EQ(eleven.result.failure, TransferFailure::TooManyRedirects);
    EXPECT_EQ(eleven.states, Raised(INetState::ReceivingResponse));
    EXPECT_EQ(server_.hits("/hop/0"), 1);  // also orders the handler's write before this read
    EXPECT_NE(acceptEncoding.find("gzip"), std::string::npos);
    EXPECT_TRUE(server_.sent("/hop/0", "User-Agent")[0].starts_with("Vellorin/"));
}

TEST_F(HttpTransferTest, ConditionalRequestsSendTheUsableValidatorsAndEndQuietlyOnA304) {
    const std::string lastModified = "Mon, 05 Dec 2026 08:00:00 GMT";
    server_.serveConditional("/feed", "<rss/>", "\"v1\"", lastModified);
    server_.route("/always-304", [](const httplib::Request&, httplib::Response& response) {
        response.status = 304;
    });
    using enum TransferFailure;
    const std::string lm = lastModified, v1 = "\"v1\"";
    const struct {
        const char* what;
        std::string path;
        FeedValidators validators;
        std::string sentETag, sentDate;
        TransferFailure failure;
        States states;
    } cases[] = {
        {"unchanged", "/feed", {v1, lm}, v1, lm, NotModified, kSucceeded},
        {"changed", "/feed", {"\"v0\"", ""}, "\"v0\"", "", None, kSucceeded},
        // A line break would start a header of the value's own making.
        {"unusable value", "/feed", {v1 + "\r\nX-Injected: 1", ""}, "", "", None, kSucceeded},
        // A 304 that nobody asked for is a failed fetch.
        {"unasked 304", "/always-304", {}, "", "", HttpStatus, Raised(INetState::Disconnected)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Outcome outcome = Fetch(server_.url(c.path), Limits(), c.validators);
        EXPECT_EQ(outcome.result.failure, c.failure) << outcome.result.detail;
        EXPECT_EQ(outcome.result.body, c.failure == None ? "<rss/>" : "");
        EXPECT_EQ(outcome.states, c.states);
        EXPECT_EQ(server_.sent(c.path, "If-None-Match").back(), c.sentETag);
        EXPECT_EQ(server_.sent(c.path, "If-Modified-Since").back(), c.sentDate);
        EXPECT_EQ(server_.sent(c.path, "X-Injected").back(), "");
    }
}

TEST_F(HttpTransferTest, FailuresGiveEmptyTextTheirKindAndTheStateReached) {
    server_.serve("/missing", "<html><body><h1>Sorry</h1></body></html>", "text/html", 404);
    server_.serve("/huge", std::string(20u * 1000u * 1000u, 'x'), "application/octet-stream");
    server_.route("/cut-off", [](const httplib::Request&, httplib::Response& response) {
        response.set_content_provider(
            5000, "text/xml", [](std::size_t, std::size_t, httplib::DataSink& sink) {
                sink.write("<rss version=\"2.0\"><channel><title>half", 39);
                return false;  // the connection closes before the promised length
            });
    });
    server_.route("/to-file", [](const httplib::Request&, httplib::Response& response) {
        response.set_redirect("file:///etc/passwd", 302);
    });
    test::LoopbackSocket silent;  // the kernel completes the connection; nobody ever reads it
    const struct {
        std::string url;
        TransferFailure failure;
        long status;
        INetState reached;
    } cases[] = {
        {server_.url("/missing"), TransferFailure::HttpStatus, 404, INetState::Disconnected},
        {server_.url("/huge"), TransferFailure::TooLarge, 200, INetState::ReceivingResponse},
        {server_.url("/cut-off"), TransferFailure::CutOff, 200, INetState::ReceivingResponse},
        {test::RefusingLink(), TransferFailure::NotConnected, 0, INetState::Connecting},
        {silent.url(), TransferFailure::TimedOut, 0, INetState::RequestSent},
        {"https" + server_.url("/missing").substr(4), TransferFailure::Tls, 0,
         INetState::Connecting},
        {"file:///etc/passwd", TransferFailure::BadLink, 0, INetState::ResolvingHost},
        {server_.url("/to-file"), TransferFailure::BadLink, 302, INetState::ReceivingResponse},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        Outcome outcome = Fetch(c.url, Limits(1s));
        EXPECT_EQ(outcome.result.failure, c.failure) << outcome.result.detail;
        EXPECT_EQ(outcome.result.httpStatus, c.status);
        EXPECT_EQ(outcome.result.body, "");
        EXPECT_FALSE(outcome.result.detail.empty());
        EXPECT_EQ(outcome.states, Raised(c.reached));
    }
    for (std::int16_t code : {0, 13, -1})
        EXPECT_EQ(INetStateText(code), "");
}

// The server's certificate is checked: a self-signed one fails the fetch as a TLS failure.
TEST_F(HttpTransferTest, SelfSignedCertificateIsNotTrusted) {
    test::TempDir folder;
    const std::string cert = folder.file("cert.pem"), key = folder.file("key.pem");
    test::ProcessResult made = test::RunProcess(
        "/usr/bin/openssl",
        {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
         "-keyout", key, "-out", cert, "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
         "subjectAltName=IP:127.0.0.1"});
    if (made.exitCode != 0)
        GTEST_SKIP() << "openssl could not make a certificate: " << made.err;
    httplib::SSLServer tls(cert.c_str(), key.c_str());
    ASSERT_TRUE(tls.is_valid());
    const int port = tls.bind_to_any_port("127.0.0.1");
    std::thread thread([&] { tls.listen_after_bind(); });
    while (!tls.is_running())
        std::this_thread::sleep_for(1ms);
    Outcome outcome = Fetch("https://127.0.0.1:" + std::to_string(port) + "/feed");
    tls.stop();
    thread.join();
    EXPECT_EQ(outcome.result.failure, TransferFailure::Tls) << outcome.result.detail;
    EXPECT_EQ(outcome.states, Raised(INetState::Connecting));
}

TEST_F(HttpTransferTest, CapCountsDecompressedBytes) {
    test::TempDir folder;
    const std::string zeros = folder.write("zeros", std::string(1u << 20, '\0'));
    const std::string bomb = test::RunProcess("gzip", {"-c", zeros}).out;
    server_.route("/bomb", [&](const httplib::Request&, httplib::Response& response) {
        response.set_header("Content-Encoding", "gzip");
        response.set_content(bomb, "application/octet-stream");
    });
    TransferOptions options = Limits();
    options.maxBodyBytes = 64 * 1024;
    EXPECT_EQ(Fetch(server_.url("/bomb"), options).result.failure, TransferFailure::TooLarge);
    options.maxBodyBytes = 1u << 20;
    EXPECT_EQ(Fetch(server_.url("/bomb"), options).result.body, std::string(1u << 20, '\0'));
}

TEST(OnlineStateTest, DefaultRouteOffTheLoopbackMeansOnline) {
    auto v4 = [](const std::string& interface, const char* destination, const char* flags) {
        return HasDefaultRouteV4(
            "Iface\tDestination\tGateway "
            "\tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n" +
            interface + "\t" + destination + "\t010200C0\t" + flags +
            "\t0\t0\t0\t00000000\t0\t0\t0\n");
    };
    EXPECT_TRUE(v4("eth0", "00000000", "0003"));
    EXPECT_FALSE(v4("eth0", "000200C0", "0001"));  // not the default route
    EXPECT_FALSE(v4("lo", "00000000", "0003") || v4("eth0", "00000000", "0002"));  // not up
    const std::string zero(32, '0');
    auto v6 = [&](const std::string& interface, const char* flags) {
        return HasDefaultRouteV6(zero + " 00 " + zero + " 00 " + zero +
                                 " 00000400 00000002 00000000 " + flags + "     " + interface +
                                 "\n");
    };
    EXPECT_TRUE(v6("eth0", "00000003"));
    EXPECT_FALSE(v6("lo", "00000003") || v6("eth0", "00200201"));  // a reject route
}

}  // namespace
}  // namespace vellorin
