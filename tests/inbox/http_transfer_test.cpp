#include "inbox/http_transfer.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "inbox/feed_decoder.h"
#include "inbox/online_state.h"
#include "inbox/transfer_pool.h"
#include "support/loopback_socket.h"
#include "support/recording_seam.h"
#include "support/run_process.h"
#include "support/temp_dir.h"

namespace vellorin {
namespace {

using namespace std::chrono_literals;
using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

std::string DataFile(const std::string& name) {
    return test::TempDir::read(std::string(VELLORIN_TEST_DATA) + "/encodings/" + name);
}

// A recording seam whose pause sleeps a little, so that waiting loops do not spin the CPU.
class PacedSeam : public test::RecordingSeam {
public:
    void pause(int milliseconds) override {
        RecordingSeam::pause(milliseconds);
        std::this_thread::sleep_for(1ms);
    }
};

using LocalSocket = test::LoopbackSocket;

// Accepts one connection, reads the request head, writes `reply` and closes.
class OneShotServer {
public:
    explicit OneShotServer(std::string reply)
        : thread_([this, reply = std::move(reply)] { serve(reply); }) {}
    ~OneShotServer() { thread_.join(); }
    std::string url() const { return socket_.url("/feed"); }

private:
    void serve(const std::string& reply) { test::AnswerOneRequest(socket_.fd(), reply, 5000); }

    LocalSocket socket_;
    std::thread thread_;
};

// A cpp-httplib server on 127.0.0.1 that every test of the suite shares. Tests register the
// paths they serve; the server counts the requests per path.
class LocalServer {
public:
    LocalServer() {
        server_.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
            Handler handler;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                ++hits_[request.path];
                lastRequest_ = request;
                auto found = routes_.find(request.path);
                if (found != routes_.end())
                    handler = found->second;
            }
            if (handler) {
                handler(request, response);
            } else {
                response.status = 404;
            }
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running())
            std::this_thread::sleep_for(1ms);
    }
    ~LocalServer() {
        server_.stop();
        thread_.join();
    }

    void route(const std::string& path, Handler handler) {
        std::lock_guard<std::mutex> lock(mutex_);
        routes_[path] = std::move(handler);
    }
    int hits(const std::string& path) {
        std::lock_guard<std::mutex> lock(mutex_);
        return hits_[path];
    }
    httplib::Request lastRequest() {
        std::lock_guard<std::mutex> lock(mutex_);
        return lastRequest_;
    }
    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        routes_.clear();
        hits_.clear();
    }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    int port() const { return port_; }

private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    std::mutex mutex_;
    std::map<std::string, Handler> routes_;
    std::map<std::string, int> hits_;
    httplib::Request lastRequest_;
};

TransferOptions FastOptions() {
    TransferOptions options;
    options.connectTimeout = 1s;
    options.totalTimeout = 2s;
    return options;
}

struct Outcome {
    TransferResult result;
    std::vector<INetState> states;
};

// Fetches through a pool of its own, keeping every state raised.
Outcome FetchWithPool(const std::string& url, TransferOptions options = FastOptions()) {
    TransferPool pool(options);
    Outcome outcome;
    pool.setStateListener([&](TransferId, INetState state) { outcome.states.push_back(state); });
    TransferId id = pool.add(url);
    while (pool.running(id))
        pool.poll(20);
    outcome.result = pool.take(id).value_or(TransferResult{});
    return outcome;
}

std::vector<INetState> SuccessfulStates() {
    std::vector<INetState> states;
    for (int s = 1; s <= 10; ++s)
        states.push_back(static_cast<INetState>(s));
    states.push_back(INetState::ResponseCompleted);
    return states;
}

// A failed transfer raises its states in increasing order from the first, ends with Error, and
// `lastReached` is the state it had come to before it failed.
void ExpectFailedStates(const std::vector<INetState>& states, INetState lastReached) {
    ASSERT_GE(states.size(), 2u);
    EXPECT_EQ(states.front(), INetState::ResolvingHost);
    EXPECT_EQ(states.back(), INetState::Error);
    for (std::size_t i = 1; i < states.size(); ++i) {
        EXPECT_TRUE(static_cast<int>(states[i - 1]) + 1 == static_cast<int>(states[i]) ||
                    states[i] == INetState::Error)
            << "state " << static_cast<int>(states[i]) << " after "
            << static_cast<int>(states[i - 1]);
    }
    EXPECT_EQ(states[states.size() - 2], lastReached);
}

class HttpTransferTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // A proxy set for the machine must not stand between the tests and their own server.
        ::setenv("no_proxy", "127.0.0.1,localhost", 1);
        ::signal(SIGPIPE, SIG_IGN);
        server_ = new LocalServer;
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void TearDown() override { server_->clear(); }

    static LocalServer& server() { return *server_; }

    static void serve(const std::string& path, std::string body, std::string contentType,
                      int status = 200) {
        server().route(path, [=](const httplib::Request&, httplib::Response& response) {
            response.status = status;
            response.set_content(body, contentType.c_str());
        });
    }

    inline static LocalServer* server_ = nullptr;
};

// ---------------------------------------------------------------- successful transfers

TEST_F(HttpTransferTest, FeedArrivesWithStatusCharsetAndEveryStateInOrder) {
    const std::string feed = DataFile("utf8.xml");
    serve("/feed.rss", feed, "text/xml; charset=\"ISO-8859-1\"");

    Outcome outcome = FetchWithPool(server().url("/feed.rss"));

    ASSERT_TRUE(outcome.result.ok()) << outcome.result.detail;
    EXPECT_EQ(outcome.result.body, feed);
    EXPECT_EQ(outcome.result.httpStatus, 200);
    EXPECT_EQ(outcome.result.charset, "ISO-8859-1");
    EXPECT_EQ(outcome.states, SuccessfulStates());
    // Compressed replies are asked for.
    EXPECT_NE(server().lastRequest().get_header_value("Accept-Encoding").find("gzip"),
              std::string::npos);
}

TEST_F(HttpTransferTest, GzipReplyIsDecompressed) {
    server().route("/feed.rss.gz", [](const httplib::Request&, httplib::Response& response) {
        response.set_header("Content-Encoding", "gzip");
        // Not a type the server compresses on its own, so the stored bytes go out as they are.
        response.set_content(DataFile("utf8.xml.gz"), "application/rss+xml");
    });

    Outcome outcome = FetchWithPool(server().url("/feed.rss.gz"));

    ASSERT_TRUE(outcome.result.ok()) << outcome.result.detail;
    EXPECT_EQ(outcome.result.body, DataFile("utf8.xml"));
}

TEST_F(HttpTransferTest, ChunkedReplyArrivesWhole) {
    std::string expected;
    for (int i = 0; i < 50; ++i)
        expected += "<item>" + std::to_string(i) + "</item>\n";
    server().route("/chunked", [](const httplib::Request&, httplib::Response& response) {
        response.set_chunked_content_provider(
            "application/rss+xml", [](std::size_t, httplib::DataSink& sink) {
                for (int i = 0; i < 50; ++i) {
                    std::string piece = "<item>" + std::to_string(i) + "</item>\n";
                    if (!sink.write(piece.data(), piece.size()))
                        return false;
                }
                sink.done();
                return true;
            });
    });

    Outcome outcome = FetchWithPool(server().url("/chunked"));

    ASSERT_TRUE(outcome.result.ok()) << outcome.result.detail;
    EXPECT_EQ(outcome.result.body, expected);
    EXPECT_EQ(server().lastRequest().get_header_value("Accept-Encoding").empty(), false);
}

TEST_F(HttpTransferTest, RedirectsAreFollowedUpToTen) {
    // /hop/N redirects to /hop/N-1; /hop/0 serves the feed.
    for (int n = 1; n <= 11; ++n) {
        std::string next = "/hop/" + std::to_string(n - 1);
        server().route("/hop/" + std::to_string(n),
                       [next](const httplib::Request&, httplib::Response& response) {
                           response.set_redirect(next.c_str(), 302);
                       });
    }
    serve("/hop/0", "<rss/>", "application/rss+xml");

    Outcome ten = FetchWithPool(server().url("/hop/10"));
    ASSERT_TRUE(ten.result.ok()) << ten.result.detail;
    EXPECT_EQ(ten.result.body, "<rss/>");
    EXPECT_EQ(ten.states, SuccessfulStates());

    Outcome eleven = FetchWithPool(server().url("/hop/11"));
    EXPECT_EQ(eleven.result.failure, TransferFailure::TooManyRedirects);
    EXPECT_EQ(eleven.result.body, "");
    EXPECT_EQ(server().hits("/hop/0"), 1);
}

// ---------------------------------------------------------------- failures

TEST_F(HttpTransferTest, FailedRepliesGiveEmptyTextAndTheirKind) {
    const std::string html = "<html><body><h1>Sorry</h1><p>Nothing here.</body></html>";
    serve("/missing", html, "text/html", 404);
    serve("/broken", html, "text/html", 500);
    server().route("/loop", [](const httplib::Request&, httplib::Response& response) {
        response.set_redirect("/loop", 301);
    });
    const std::size_t twentyMegabytes = 20u * 1000u * 1000u;
    server().route(
        "/huge", [twentyMegabytes](const httplib::Request&, httplib::Response& response) {
            response.set_content(std::string(twentyMegabytes, 'x'), "application/octet-stream");
        });
    server().route("/huge-chunked",
                   [twentyMegabytes](const httplib::Request&, httplib::Response& response) {
                       response.set_chunked_content_provider(
                           "application/octet-stream",
                           [twentyMegabytes](std::size_t offset, httplib::DataSink& sink) {
                               static const std::string block(64 * 1024, 'x');
                               if (offset >= twentyMegabytes) {
                                   sink.done();
                                   return true;
                               }
                               return sink.write(block.data(), block.size());
                           });
                   });

    struct Case {
        std::string path;
        TransferFailure failure;
        long status;
        INetState lastReached;
    };
    const std::vector<Case> cases = {
        {"/missing", TransferFailure::HttpStatus, 404, INetState::Disconnected},
        {"/broken", TransferFailure::HttpStatus, 500, INetState::Disconnected},
        {"/loop", TransferFailure::TooManyRedirects, 301, INetState::ReceivingResponse},
        {"/huge", TransferFailure::TooLarge, 200, INetState::ReceivingResponse},
        {"/huge-chunked", TransferFailure::TooLarge, 200, INetState::ReceivingResponse},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Outcome outcome = FetchWithPool(server().url(c.path));
        EXPECT_EQ(outcome.result.failure, c.failure) << outcome.result.detail;
        EXPECT_EQ(outcome.result.httpStatus, c.status);
        EXPECT_EQ(outcome.result.body, "");
        EXPECT_FALSE(outcome.result.detail.empty());
        ExpectFailedStates(outcome.states, c.lastReached);
    }
    // The first request and ten redirects, then the transfer gives up.
    EXPECT_EQ(server().hits("/loop"), 11);
}

TEST_F(HttpTransferTest, CapCountsDecompressedBytes) {
    // About 1 KB on the wire, 1 MiB once inflated.
    server().route("/bomb", [](const httplib::Request&, httplib::Response& response) {
        response.set_header("Content-Encoding", "gzip");
        response.set_content(DataFile("zeros_1mib.gz"), "application/octet-stream");
    });
    TransferOptions options = FastOptions();
    options.maxBodyBytes = 64 * 1024;

    Outcome capped = FetchWithPool(server().url("/bomb"), options);
    EXPECT_EQ(capped.result.failure, TransferFailure::TooLarge);
    EXPECT_EQ(capped.result.body, "");

    options.maxBodyBytes = 1u << 20;
    Outcome fits = FetchWithPool(server().url("/bomb"), options);
    ASSERT_TRUE(fits.result.ok()) << fits.result.detail;
    EXPECT_EQ(fits.result.body, std::string(1u << 20, '\0'));
}

TEST_F(HttpTransferTest, RefusedConnectionFailsAtConnecting) {
    std::string url;
    {
        LocalSocket closed;
        url = closed.url("/feed");
    }  // nobody listens on that port any more

    Outcome outcome = FetchWithPool(url);

    EXPECT_EQ(outcome.result.failure, TransferFailure::NotConnected);
    EXPECT_EQ(outcome.result.httpStatus, 0);
    EXPECT_EQ(outcome.result.body, "");
    ExpectFailedStates(outcome.states, INetState::Connecting);
}

TEST_F(HttpTransferTest, ServerThatNeverAnswersTimesOutAfterTheRequest) {
    LocalSocket silent;  // the kernel completes the connection; nobody ever reads it
    TransferOptions options = FastOptions();
    options.totalTimeout = 1s;

    Outcome outcome = FetchWithPool(silent.url("/feed"), options);

    EXPECT_EQ(outcome.result.failure, TransferFailure::TimedOut);
    EXPECT_EQ(outcome.result.body, "");
    ExpectFailedStates(outcome.states, INetState::RequestSent);
}

TEST_F(HttpTransferTest, ConnectionThatIsNeverAcceptedHitsTheConnectTimeOut) {
    // A listener with a full queue drops new connection attempts, so connect never completes.
    LocalSocket crowded(0);
    std::vector<int> queued;
    for (int i = 0; i < 4; ++i) {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(crowded.port()));
        int connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        (void)connected;
        queued.push_back(fd);
    }
    std::this_thread::sleep_for(50ms);
    TransferOptions options = FastOptions();
    options.connectTimeout = 500ms;
    options.totalTimeout = 5s;

    auto started = std::chrono::steady_clock::now();
    Outcome outcome = FetchWithPool(crowded.url("/feed"), options);
    auto took = std::chrono::steady_clock::now() - started;
    for (int fd : queued)
        ::close(fd);

    EXPECT_EQ(outcome.result.failure, TransferFailure::TimedOut) << outcome.result.detail;
    ExpectFailedStates(outcome.states, INetState::Connecting);
    // The connect limit ended it, not the limit of the whole transfer.
    EXPECT_LT(took, 4s);
}

TEST_F(HttpTransferTest, ReplyCutOffMidwayFailsAsCutOff) {
    OneShotServer cutOff(
        "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: 5000\r\n\r\n"
        "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>half");

    Outcome outcome = FetchWithPool(cutOff.url());

    EXPECT_EQ(outcome.result.failure, TransferFailure::CutOff) << outcome.result.detail;
    EXPECT_EQ(outcome.result.body, "");
    ExpectFailedStates(outcome.states, INetState::ReceivingResponse);
}

TEST_F(HttpTransferTest, GarbledReplyFailsAsBadReply) {
    OneShotServer garbled("SPDY/9 whatever\r\n\r\n");

    Outcome outcome = FetchWithPool(garbled.url());

    EXPECT_EQ(outcome.result.failure, TransferFailure::BadReply) << outcome.result.detail;
    EXPECT_EQ(outcome.result.body, "");
}

TEST_F(HttpTransferTest, OnlyHttpAndHttpsLinksAreFetched) {
    server().route("/to-file", [](const httplib::Request&, httplib::Response& response) {
        response.set_redirect("file:///etc/passwd", 302);
    });
    const std::vector<std::string> links = {
        "ftp://127.0.0.1:" + std::to_string(server().port()) + "/feed",
        "file:///etc/passwd",
        "not a link",
        server().url("/to-file"),
    };
    for (const std::string& link : links) {
        SCOPED_TRACE(link);
        Outcome outcome = FetchWithPool(link);
        EXPECT_EQ(outcome.result.failure, TransferFailure::BadLink) << outcome.result.detail;
        EXPECT_EQ(outcome.result.body, "");
        EXPECT_EQ(outcome.states.back(), INetState::Error);
    }
}

TEST_F(HttpTransferTest, HttpsToAServerWithoutTlsFails) {
    serve("/feed", "<rss/>", "text/xml");

    Outcome outcome =
        FetchWithPool("https://127.0.0.1:" + std::to_string(server().port()) + "/feed");

    EXPECT_EQ(outcome.result.failure, TransferFailure::Tls) << outcome.result.detail;
    EXPECT_EQ(outcome.result.body, "");
}

TEST_F(HttpTransferTest, SelfSignedCertificateIsNotTrusted) {
    test::TempDir folder;
    std::string cert = folder.file("cert.pem");
    std::string key = folder.file("key.pem");
    test::ProcessResult made = test::RunProcess(
        "/usr/bin/openssl",
        {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
         "-keyout", key, "-out", cert, "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
         "subjectAltName=IP:127.0.0.1"});
    if (made.exitCode != 0)
        GTEST_SKIP() << "openssl could not make a certificate: " << made.err;

    httplib::SSLServer tls(cert.c_str(), key.c_str());
    ASSERT_TRUE(tls.is_valid());
    tls.Get("/feed", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("<rss/>", "text/xml");
    });
    int port = tls.bind_to_any_port("127.0.0.1");
    std::thread thread([&] { tls.listen_after_bind(); });
    while (!tls.is_running())
        std::this_thread::sleep_for(1ms);

    Outcome outcome = FetchWithPool("https://127.0.0.1:" + std::to_string(port) + "/feed");
    tls.stop();
    thread.join();

    EXPECT_EQ(outcome.result.failure, TransferFailure::Tls) << outcome.result.detail;
    EXPECT_EQ(outcome.result.body, "");
    ExpectFailedStates(outcome.states, INetState::Connecting);
}

TEST_F(HttpTransferTest, ProxyFromTheEnvironmentIsUsed) {
    // The shared server stands in for a proxy: it gets the request for the other host.
    serve("http://feeds.example.invalid/news.rss", "<rss>by proxy</rss>", "application/rss+xml");
    const char* old = std::getenv("http_proxy");
    std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    ::setenv("http_proxy", server().url("").c_str(), 1);

    Outcome outcome = FetchWithPool("http://feeds.example.invalid/news.rss");

    if (saved) {
        ::setenv("http_proxy", saved->c_str(), 1);
    } else {
        ::unsetenv("http_proxy");
    }
    ASSERT_TRUE(outcome.result.ok()) << outcome.result.detail;
    EXPECT_EQ(outcome.result.body, "<rss>by proxy</rss>");
}

// ---------------------------------------------------------------- several transfers at once

TEST_F(HttpTransferTest, TransfersOfOnePoolProgressTogether) {
    std::atomic<int> inFlight{0};
    std::atomic<int> mostAtOnce{0};
    for (int i = 0; i < 4; ++i) {
        std::string body = "<rss>" + std::to_string(i) + "</rss>";
        server().route("/slow/" + std::to_string(i),
                       [&, body](const httplib::Request&, httplib::Response& response) {
                           int now = ++inFlight;
                           int seen = mostAtOnce.load();
                           while (now > seen && !mostAtOnce.compare_exchange_weak(seen, now)) {
                           }
                           std::this_thread::sleep_for(300ms);
                           --inFlight;
                           response.set_content(body, "application/rss+xml");
                       });
    }
    TransferPool pool(FastOptions());
    std::vector<TransferId> ids;
    for (int i = 0; i < 4; ++i)
        ids.push_back(pool.add(server().url("/slow/" + std::to_string(i))));
    while (pool.poll(20) > 0) {
    }

    EXPECT_EQ(mostAtOnce.load(), 4);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        std::optional<TransferResult> result = pool.take(ids[static_cast<std::size_t>(i)]);
        ASSERT_TRUE(result && result->ok());
        EXPECT_EQ(result->body, "<rss>" + std::to_string(i) + "</rss>");
    }
    EXPECT_EQ(pool.size(), 0u);
}

TEST_F(HttpTransferTest, CancelledTransferRaisesNothingMoreAndCannotBeTaken) {
    server().route("/slow", [](const httplib::Request&, httplib::Response& response) {
        std::this_thread::sleep_for(200ms);
        response.set_content("<rss/>", "application/rss+xml");
    });
    TransferPool pool(FastOptions());
    std::vector<INetState> states;
    pool.setStateListener([&](TransferId, INetState state) { states.push_back(state); });
    TransferId id = pool.add(server().url("/slow"));
    pool.poll(50);
    std::size_t raisedBeforeCancel = states.size();

    pool.cancel(id);
    pool.poll(50);

    EXPECT_FALSE(pool.running(id));
    EXPECT_FALSE(pool.take(id).has_value());
    EXPECT_EQ(states.size(), raisedBeforeCancel);
    EXPECT_EQ(pool.size(), 0u);
}

// ---------------------------------------------------------------- the transfer window

struct StatusRecorder {
    std::vector<std::string> texts;
    frmHTTP::StatusSink sink() {
        return [this](const std::string& text) { texts.push_back(text); };
    }
};

std::vector<std::string> TextsOf(const std::vector<INetState>& states) {
    std::vector<std::string> texts;
    for (INetState s : states)
        texts.emplace_back(INetStateText(static_cast<std::int16_t>(s)));
    return texts;
}

TEST_F(HttpTransferTest, InteractiveFetchShowsEveryStateTextInOrder) {
    serve("/feed", "<rss/>", "application/rss+xml");
    PacedSeam seam;
    StatusRecorder lblStatus;
    frmHTTP window(seam, true, lblStatus.sink(), FastOptions());

    TransferResult result = window.FetchText(server().url("/feed"));

    ASSERT_TRUE(result.ok()) << result.detail;
    EXPECT_EQ(result.body, "<rss/>");
    EXPECT_EQ(lblStatus.texts, TextsOf(SuccessfulStates()));
    EXPECT_EQ(lblStatus.texts.front(), "Resolving Host Route...");
    EXPECT_EQ(lblStatus.texts.back(), "Server Communication complete.");
    EXPECT_TRUE(seam.boxes.empty());
}

TEST_F(HttpTransferTest, ScheduledFetchShowsNoTextAndFailsSilently) {
    serve("/feed", "<rss/>", "application/rss+xml");
    PacedSeam seam;
    StatusRecorder lblStatus;
    frmHTTP window(seam, false, lblStatus.sink(), FastOptions());

    EXPECT_EQ(window.FetchText(server().url("/feed")).body, "<rss/>");
    EXPECT_EQ(window.FetchText(server().url("/nothing-here")).body, "");
    window.TranslateINetState(1);

    EXPECT_TRUE(lblStatus.texts.empty());
    EXPECT_TRUE(seam.boxes.empty());
}

TEST_F(HttpTransferTest, InteractiveFailedFetchEndsWithTheErrorText) {
    serve("/gone", "<html>gone</html>", "text/html", 404);
    PacedSeam seam;
    StatusRecorder lblStatus;
    frmHTTP window(seam, true, lblStatus.sink(), FastOptions());

    TransferResult result = window.FetchText(server().url("/gone"));

    EXPECT_EQ(result.body, "");
    EXPECT_EQ(result.failure, TransferFailure::HttpStatus);
    ASSERT_FALSE(lblStatus.texts.empty());
    EXPECT_EQ(lblStatus.texts.back(), "Error in reading Server Response!");
    // A failed transfer shows no box of its own; the parser reports the empty text.
    EXPECT_TRUE(seam.boxes.empty());
}

TEST_F(HttpTransferTest, UnlistedStateCodesClearTheStatusText) {
    PacedSeam seam;
    StatusRecorder lblStatus;
    frmHTTP window(seam, true, lblStatus.sink());
    for (std::int16_t code : {0, 13, -1, 1, 12})
        window.TranslateINetState(code);
    EXPECT_EQ(lblStatus.texts, (std::vector<std::string>{"", "", "", "Resolving Host Route...",
                                                         "Server Communication complete."}));
}

TEST_F(HttpTransferTest, WaitingLetsEventsRunAndPausesFiveMillisecondsPerTurn) {
    server().route("/slow", [](const httplib::Request&, httplib::Response& response) {
        std::this_thread::sleep_for(300ms);
        response.set_content("<rss/>", "application/rss+xml");
    });
    PacedSeam seam;
    frmHTTP window(seam, false, {}, FastOptions());

    TransferResult result = window.FetchText(server().url("/slow"));

    ASSERT_TRUE(result.ok()) << result.detail;
    EXPECT_GT(seam.eventTurns, 10);
    EXPECT_EQ(seam.pausedMs, 5L * seam.eventTurns);
}

TEST_F(HttpTransferTest, FetchStartedAheadShowsItsStatesWhenTakenUp) {
    serve("/a", "<rss>a</rss>", "application/rss+xml");
    serve("/b", "<rss>b</rss>", "application/rss+xml");
    PacedSeam seam;
    StatusRecorder lblStatus;
    frmHTTP window(seam, true, lblStatus.sink(), FastOptions());

    TransferId a = window.startFetch(server().url("/a"));
    TransferId b = window.startFetch(server().url("/b"));
    EXPECT_TRUE(lblStatus.texts.empty());

    TransferResult first = window.finishFetch(a);
    std::vector<std::string> shownForA = std::exchange(lblStatus.texts, {});
    // b went on while a was awaited; its texts come only now, all of them, in order.
    TransferResult second = window.finishFetch(b);

    EXPECT_EQ(first.body, "<rss>a</rss>");
    EXPECT_EQ(second.body, "<rss>b</rss>");
    EXPECT_EQ(shownForA, TextsOf(SuccessfulStates()));
    EXPECT_EQ(lblStatus.texts, TextsOf(SuccessfulStates()));
    EXPECT_EQ(window.finishFetch(a).failure, TransferFailure::Cancelled);
}

// ---------------------------------------------------------------- feeds in four encodings

TEST_F(HttpTransferTest, FeedsInFourEncodingsReadAlike) {
    struct Case {
        std::string file;
        std::string contentType;
        std::string encoding;
        std::string title;
    };
    const std::vector<Case> cases = {
        {"utf8.xml", "application/rss+xml", "UTF-8", "Café € “quoted” 日本"},
        // The byte-order mark outranks a wrong charset from the server.
        {"utf16le_bom.xml", "text/xml; charset=ISO-8859-1", "UTF-16LE", "Café € “quoted” 日本 𝄞"},
        {"latin1.xml", "application/rss+xml", "ISO-8859-1", "Café naïve ß ½"},
        {"latin1_undeclared.xml", "application/rss+xml; charset=iso-8859-1", "iso-8859-1",
         "Café naïve ß ½"},
        // The declaration outranks the server's charset.
        {"windows1252.xml", "text/xml; charset=UTF-8", "windows-1252", "Café € “quoted” – ™"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        serve("/" + c.file, DataFile(c.file), c.contentType);
        TransferResult result = FetchWithPool(server().url("/" + c.file)).result;
        ASSERT_TRUE(result.ok()) << result.detail;
        DecodedFeed feed = DecodeFeed(result.body, result.charset);
        EXPECT_EQ(feed.encoding, c.encoding);
        EXPECT_EQ(feed.replacements, 0u);
        EXPECT_NE(feed.text.find("<title>" + c.title + "</title>"), std::string::npos) << feed.text;
    }
}

// ---------------------------------------------------------------- helpers of the transfer

TEST(ContentTypeCharsetTest, ReadsTheCharsetParameter) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"text/xml; charset=ISO-8859-1", "ISO-8859-1"},
        {"text/xml;charset=utf-8", "utf-8"},
        {"application/rss+xml; Charset=\"windows-1252\"", "windows-1252"},
        {"text/xml; format=flowed; CHARSET = UTF-16 ", "UTF-16"},
        {"text/xml", ""},
        {"text/xml; name=charset", ""},
        {"", ""},
    };
    for (const auto& [contentType, charset] : cases) {
        SCOPED_TRACE(contentType);
        EXPECT_EQ(ContentTypeCharset(contentType), charset);
    }
}

TEST(OnlineStateTest, OverrideDecidesUntilCleared) {
    OnlineState state;
    state.setOverride(false);
    EXPECT_FALSE(state.IsOnline());
    state.setOverride(true);
    EXPECT_TRUE(state.IsOnline());
    state.setOverride(std::nullopt);
    EXPECT_EQ(state.IsOnline(), SystemHasRouteOff());
}

TEST(OnlineStateTest, DefaultRouteOffTheLoopbackMeansOnline) {
    const std::string heading =
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
    const std::vector<std::pair<std::string, bool>> v4 = {
        {heading + "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
                   "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n",
         true},
        {heading + "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n", false},
        {heading + "lo\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n", false},
        {heading + "eth0\t00000000\t010200C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n", false},
        {heading, false},
        {"", false},
    };
    for (const auto& [table, online] : v4) {
        SCOPED_TRACE(table);
        EXPECT_EQ(HasDefaultRouteV4(table), online);
    }

    const std::string zero = "00000000000000000000000000000000";
    auto row = [&](const std::string& destination, const std::string& length,
                   const std::string& flags, const std::string& interface) {
        return destination + " " + length + " " + zero + " 00 " + zero + " 00000400 00000002 " +
               "00000000 " + flags + "     " + interface + "\n";
    };
    const std::vector<std::pair<std::string, bool>> v6 = {
        {row("fe800000000000000000000000000000", "40", "00000001", "eth0") +
             row(zero, "00", "00000003", "eth0"),
         true},
        {row(zero, "00", "00200200", "lo"), false},
        {row(zero, "00", "00200201", "eth0"), false},
        {row("fe800000000000000000000000000000", "40", "00000001", "eth0"), false},
        {"", false},
    };
    for (const auto& [table, online] : v6) {
        SCOPED_TRACE(table);
        EXPECT_EQ(HasDefaultRouteV6(table), online);
    }
}

TEST(OnlineStateTest, OfflineBoxNamesTheApplication) {
    MessageBoxRequest box = WorkingOfflineMessage();
    EXPECT_EQ(box.caption, "Working Offline?");
    EXPECT_EQ(box.text,
              "Application failed to access Internet connection on this system. Please make "
              "sure you're working Online and Firewall is configured to allow Vellorin Pro to "
              "access Internet connection Line.");
    EXPECT_EQ(box.icon, MsgIcon::Exclamation);
    EXPECT_EQ(box.buttons, MsgButtons::OK);
}

}  // namespace
}  // namespace vellorin
