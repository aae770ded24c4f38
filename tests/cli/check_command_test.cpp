#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "cli/ctl_fixture.h"
#include "inbox/check_feed_server.h"
#include "inbox/feed_validators.h"
#include "inbox/inbox_world.h"
#include "view/message_header.h"

namespace vellorin {
namespace {

using test::ProcessResult;
using test::RssDocument;
using test::RssItem;

// The announcement as vellorinctl prints it: line feeds only.
std::string Printed(int count, const std::string& title) {
    return "You have " + std::to_string(count) + " New Messages \n in " + title + " account.\n\n";
}

const std::string kTwoItems = RssDocument(RssItem("a2", "Second", "Tue, 06 Dec 2026 09:00:00 GMT") +
                                          RssItem("a1", "First", "Mon, 05 Dec 2026 10:00:00 GMT"));

class CheckCommandTest : public test::CtlTest {
protected:
    CheckCommandTest() { test::PrepareLocalHttp(); }
    std::string subscribe(const std::string& name, const std::string& document) {
        server_.serve("/" + name, document);
        return world_.subscribe(name, server_.url("/" + name));
    }

    test::InboxWorld world_{app_.path(), data()};
    test::FeedServer server_;
};

TEST_F(CheckCommandTest, ScheduledCheckPrintsOnlyTheAnnouncementInteractiveOneStatesAndBoxes) {
    subscribe("Alpha", kTwoItems);
    subscribe("Bravo", "");  // its page is gone:
    server_.serve("/Bravo", "<html>missing</html>", "text/html", 404);

    ProcessResult scheduled = ctl({"check", "--scheduled", "--online"});
    EXPECT_EQ(scheduled.exitCode, 0);
    EXPECT_EQ(scheduled.err, "");
    EXPECT_EQ(scheduled.out, Printed(2, "Alpha"));

    ProcessResult interactive = ctl({"check", "--online"});
    EXPECT_EQ(interactive.exitCode, 1) << interactive.err;
    EXPECT_EQ(interactive.out, "");
    EXPECT_EQ(interactive.err.rfind("Checking Alpha\n  Resolving Host Route...\n", 0), 0u)
        << interactive.err;
    EXPECT_NE(interactive.err.find("  Server Communication complete.\nChecking Bravo\n"
                                   "  Resolving Host Route...\n"),
              std::string::npos);
    EXPECT_NE(interactive.err.find("  Error in reading Server Response!\n"
                                   "Error!: Process of checking for new Messages failed! Server "
                                   "returned empty Data stream.\n"),
              std::string::npos);

    server_.serve("/Bravo", RssDocument(""));
    EXPECT_EQ(ctl({"check", "--online"}).exitCode, 0);
}

TEST_F(CheckCommandTest, SwitchesAndLinksChooseWhatIsChecked) {
    subscribe("Alpha", kTwoItems);
    const std::string bravo = subscribe("Bravo", kTwoItems);
    const std::string bravoLink = server_.url("/Bravo");

    ProcessResult r = ctl({"check", "--online", bravoLink, bravoLink});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, Printed(2, "Bravo"));
    EXPECT_EQ(server_.hits("/Alpha"), 0);
    EXPECT_EQ(server_.hits("/Bravo"), 2);
    EXPECT_EQ(world_.item(bravo, "a2").Guid, "a2");

    r = ctl({"check", "--online", server_.url("/Charlie")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("no subscribed source has the link"), std::string::npos);
    EXPECT_EQ(ctl({"check", "--later"}).exitCode, 2);

    r = ctl({"check", "--offline"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err,
              "Working Offline?: Application failed to access Internet connection on this system. "
              "Please make sure you're working Online and Firewall is configured to allow "
              "Vellorin Pro to access Internet connection Line.\n");
    r = ctl({"check", "--offline", "--scheduled"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err + r.out, "");
    EXPECT_EQ(server_.hits("/Alpha"), 0);

    // a1 is older than the a2 stored now: only -debug takes it as new.
    server_.serve("/Bravo", RssDocument(RssItem("a1", "First", "Mon, 05 Dec 2026 10:00:00 GMT")));
    world_.context.inbox.CurrentItem.Guid = "a1";
    ASSERT_TRUE(world_.context.inbox.InboxItemAction(mInbox::DeleteItem));
    EXPECT_EQ(ctl({"check", "--online", "--scheduled", bravoLink}).out, "");
    EXPECT_EQ(ctl({"-debug", "check", "--online", "--scheduled", bravoLink}).out,
              Printed(1, "Bravo"));
}

TEST_F(CheckCommandTest, DemoServiceFeedsCarryReadableHeaders) {
    const std::string program = test::BuiltProgram("vellorin-demo-service");
    const std::string port = std::to_string(test::LoopbackSocket().port());  // free a moment ago
    // Ten hours between messages: no new one comes during the test.
    const pid_t pid = test::StartProcess({program, "--port", port, "--interval", "600"});
    ASSERT_GT(pid, 0) << program;
    struct Stop {
        pid_t pid;
        ~Stop() {
            if (::kill(pid, SIGTERM) == 0)
                ::waitpid(pid, nullptr, 0);
        }
    } stop{pid};

    std::vector<std::string> ids;
    for (const auto& fields :
         test::Records(test::RunProcess(program, {"--port", port, "--print-links"}).out))
        ids.push_back(world_.subscribe(fields.at(0), fields.at(1)));
    ASSERT_GE(ids.size(), 2u);
    for (int i = 0; i < 100 && !httplib::Client("127.0.0.1", std::stoi(port)).Get("/"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // until the service listens

    ProcessResult r = ctl({"check", "--online"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("New Messages"), std::string::npos);
    const test::Strings stored = world_.stored(ids[0]);
    ASSERT_FALSE(stored.empty()) << r.err;
    const InboxItem item = world_.item(ids[0], stored[0]);
    EXPECT_EQ(item.Guid.rfind("vellorin-demo:announcements:", 0), 0u) << item.Guid;
    const MessageHeader header = ParseHeader(item.Description);
    EXPECT_EQ(header.FromName + header.FromEmail.substr(0, 17), "Vellorin Team team@vellorin.net");
    EXPECT_EQ(header.Subject.rfind(item.Title, 0), 0u) << header.Subject;
    EXPECT_EQ(header.Date.rfind(item.Date + " " + item.Time + " " + item.Offset, 0), 0u);
    EXPECT_EQ(header.ReplyEmail.rfind("help@vellorin.net", 0), 0u) << header.ReplyEmail;
    EXPECT_NE(header.Body.find("of Vellorin Announcements."), std::string::npos);
    EXPECT_EQ(ctl({"check", "--online"}).out, "");  // nothing new a moment later

    // The service answers conditional requests, as the client's stored validators expect.
    const FeedValidators kept = LoadFeedValidators(FeedValidatorsPath(data(), ids[0]));
    ASSERT_FALSE(kept.ETag.empty());
    ASSERT_FALSE(kept.LastModified.empty());
    httplib::Client service("127.0.0.1", std::stoi(port));
    const std::string feed = "/www.vellorin.net/feeds/announcements.rss";
    const std::pair<httplib::Headers, int> asks[] = {
        {{}, 200},
        {{{"If-None-Match", kept.ETag}}, 304},
        {{{"If-None-Match", "\"other\", " + kept.ETag}}, 304},
        {{{"If-None-Match", "\"other\""}}, 200},
        {{{"If-Modified-Since", kept.LastModified}}, 304},
        {{{"If-Modified-Since", "Sat, 01 Jan 2000 00:00:00 GMT"}}, 200},
    };
    for (const auto& [request, status] : asks) {
        const httplib::Result reply = service.Get(feed.c_str(), request);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, status);
        EXPECT_EQ(reply->get_header_value("ETag"), kept.ETag);
        EXPECT_EQ(reply->body.empty(), status == 304);
    }
}

}  // namespace
}  // namespace vellorin
