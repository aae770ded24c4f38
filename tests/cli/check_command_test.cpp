#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cli/ctl_fixture.h"
#include "inbox/check_feed_server.h"
#include "inbox/feed_validators.h"
#include "inbox/inbox_snapshot.h"
#include "inbox/inbox_world.h"
#include "store/profile_journal.h"
#include "view/message_header.h"

namespace vellorin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
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

constexpr int kItems = 3000;

// kItems items, newest first as feeds list them, each a minute older than the one before, with
// descriptions long enough to make the merge's append several megabytes.
std::string LargeFeed() {
    std::string items;
    const std::string body(1500, 'x');
    for (int i = kItems - 1; i >= 0; --i) {
        char date[64];
        std::snprintf(date, sizeof date, "Mon, 05 Dec 2026 %02d:%02d:00 GMT", i / 60 % 24, i % 60);
        const int day = 5 + i / (24 * 60);
        std::string pubDate = date;
        pubDate.replace(5, 2, (day < 10 ? "0" : "") + std::to_string(day));
        items += "<item><title>Item " + std::to_string(i) + "</title><guid>g" + std::to_string(i) +
                 "</guid><pubDate>" + pubDate + "</pubDate><description>" + body +
                 "</description></item>";
    }
    return test::RssDocument(items);
}

// A check killed at any moment loses nothing: the next complete check stores every item once.
class InterruptedCheckTest : public CheckCommandTest {
protected:
    InterruptedCheckTest() : id_(subscribe("large", LargeFeed())) {}

    std::string inbox() const { return world_.inboxPath(id_); }

    // An inbox holding one message older than every item of the feed, or none for a first check.
    void seed(bool firstCheck = false) {
        fs::remove(inbox());
        fs::remove(profile::UndoJournalPath(inbox()));
        if (firstCheck)
            return;
        mInbox& store = world_.context.inbox;
        store.CurrentSourceID = id_;
        store.LoadLatestStamp();
        store.CurrentItem =
            InboxItem{"Old", "old", "Mon, 01 Jan 2024", "00:00:00", "GMT", "old", 1};
        ASSERT_TRUE(store.SaveItem());
    }
    bool writingInbox() const {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(fs::path(inbox()).parent_path(), ec)) {
            if (entry.path().filename().string().starts_with(".inbox.dat.tmp-"))
                return true;
        }
        return false;
    }
    pid_t startCheck() const {
        const pid_t pid = test::StartProcess(
            {"/usr/bin/env", "XDG_CONFIG_HOME=" + config_.path(), "XDG_DATA_HOME=" + home_.path(),
             "no_proxy=127.0.0.1,localhost", test::BuiltProgram("vellorinctl"), "--app-dir",
             app_.path(), "--data-dir", data(), "check", "--scheduled", "--online"});
        EXPECT_GT(pid, 0);
        return pid;
    }

    // The guids a reader finds now, each checked whole: every key there, the title its own.
    std::vector<std::string> readWhole() const {
        const InboxSnapshot snapshot(inbox());
        std::vector<std::string> guids;
        for (std::string_view section : snapshot.sections()) {
            const std::string guid(section);
            SCOPED_TRACE(guid);
            const std::string title(snapshot.value(section, "title"));
            EXPECT_EQ(title, guid == "old" ? "Old" : "Item " + guid.substr(1));
            EXPECT_EQ(snapshot.value(section, "description").size(), guid == "old" ? 3u : 1500u);
            for (const char* key : {"date", "time", "offset"})
                EXPECT_FALSE(snapshot.value(section, key).empty()) << key;
            EXPECT_EQ(snapshot.value(section, "read"), "0");
            guids.push_back(guid);
        }
        return guids;
    }

    const std::string id_;
};

// Kills spread over a whole check, and kills just as the merge starts writing the feed's items
// (the journal of an append, or the temporary file of a first inbox, appears), when a kill can
// cut the one large write part way. Each time a reader finds all of the feed or none of it, and
// the next complete check stores every item once and leaves no temporary file behind.
TEST_F(InterruptedCheckTest, AKillAtAnyMomentIsMadeGoodByTheNextCompleteCheck) {
    for (bool firstCheck : {false, true}) {
        SCOPED_TRACE(firstCheck ? "first check" : "append");
        const std::size_t before = firstCheck ? 0 : 1;
        seed(firstCheck);
        const auto started = Clock::now();
        ASSERT_EQ(ctl({"check", "--scheduled", "--online"}).exitCode, 0);
        const auto whole = Clock::now() - started;
        ASSERT_EQ(readWhole().size(), kItems + before);

        std::vector<std::pair<bool, Clock::duration>> moments;  // at the write?, then how long
        for (int i = 0; i <= 10; ++i)
            moments.emplace_back(false, whole * i / 10);
        for (auto extra : {0us, 0us, 200us, 500us, 1000us, 2000us, 4000us})
            moments.emplace_back(true, extra);
        int cutDuringWrite = 0;
        for (const auto& [atWrite, delay] : moments) {
            SCOPED_TRACE((atWrite ? "at the write + " : "after ") +
                         std::to_string(
                             std::chrono::duration_cast<std::chrono::microseconds>(delay).count()));
            seed(firstCheck);
            const pid_t pid = startCheck();
            const auto writing = [&] {
                return firstCheck ? writingInbox() : fs::exists(profile::UndoJournalPath(inbox()));
            };
            while (atWrite && !writing() && ::waitpid(pid, nullptr, WNOHANG) == 0) {
            }
            std::this_thread::sleep_for(delay);
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            cutDuringWrite += writing() ? 1 : 0;
            const std::size_t found = readWhole().size();
            EXPECT_TRUE(found == before || found == kItems + before) << found;

            const test::ProcessResult complete = ctl({"check", "--scheduled", "--online"});
            EXPECT_EQ(complete.exitCode, 0) << complete.err;
            const std::vector<std::string> guids = readWhole();
            EXPECT_EQ(std::set<std::string>(guids.begin(), guids.end()).size(), kItems + before);
            EXPECT_EQ(guids.size(), kItems + before);
            EXPECT_FALSE(writingInbox());
        }
        RecordProperty(firstCheck ? "killed_writing_first_inbox" : "killed_during_append",
                       cutDuringWrite);
    }
}

}  // namespace
}  // namespace vellorin
