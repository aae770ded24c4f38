#include "inbox/check_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>

#include "inbox/check_feed_server.h"
#include "inbox/feed_parser.h"
#include "inbox/feed_validators.h"
#include "inbox/inbox_store.h"
#include "inbox/inbox_world.h"
#include "inbox/online_state.h"
#include "inbox/scheduler.h"
#include "inbox/transfer_state.h"
#include "view/tree_control.h"

namespace vellorin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::RssDocument;
using test::RssItem;
using test::Strings;

// What a check run shows on the busy window, the tray icon and the tray alert, in order.
class RecordingHooks : public CheckRunHooks {
public:
    void lstQueueAddItem(const std::string& title) override { events.push_back("list+ " + title); }
    void lstQueueRemoveFirst() override { events.push_back("list-"); }
    void showBusy(const std::string& title) override { events.push_back("busy " + title); }
    void lblStatus(const std::string& text) override { statuses.push_back(text); }
    void unloadBusy() override { events.push_back("unload"); }
    void setTrayBusy(bool busy) override { events.push_back(busy ? "tray busy" : "tray idle"); }
    void ucTrayAlert(const std::string& text, int displayMs) override {
        events.push_back("alert " + std::to_string(displayMs) + " " + text);
    }
    Strings events, statuses;
};

std::string OneItem(const std::string& guid, const std::string& day = "Mon, 05 Dec 2026") {
    return RssDocument(RssItem(guid, "Title " + guid, day + " 08:00:00 GMT"));
}

class CheckRunTest : public ::testing::Test, public test::InboxWorld {
protected:
    CheckRunTest() : check_(context.check) {
        test::PrepareLocalHttp();
        context.online.setOverride(true);
        check_.setHooks(&hooks_);
        check_.transferOptions.connectTimeout = check_.transferOptions.totalTimeout = 1s;
    }

    // Serves `document` at /name (unless empty) and subscribes `name` to it.
    std::string add(const std::string& name, const std::string& document = "") {
        if (!document.empty())
            server_.serve("/" + name, document);
        return link(name, server_.url("/" + name));
    }
    std::string link(const std::string& title, const std::string& link) {
        const std::string id = subscribe(title, link);
        context.subscriptions.LoadSubscriptions(tree_);
        return id;
    }
    void runAll(bool interactive) {
        hooks_ = RecordingHooks{};
        seam.clear();
        check_.InteractiveCheck = interactive;
        check_.QueueSources(tree_, true);
        check_.ProcessQueue(tree_);
    }

    test::FeedServer server_;
    mCheck& check_;
    RecordingHooks hooks_;
    TreeControl tree_{"tvMessages"};
};

TEST_F(CheckRunTest, OnlyTheSourceWithNewMessagesIsAnnouncedOnceAtTheEnd) {
    add("Alpha", OneItem("a1"));
    const std::string bravo = add("Bravo", RssDocument(""));
    runAll(false);
    EXPECT_EQ(hooks_.events, (Strings{"tray busy", "tray busy", "tray idle", "unload",
                                      "alert 6000 " + NewMessagesSentence(1, "Alpha")}));
    server_.serve("/Bravo",
                  RssDocument(RssItem("b2", "Title b2", "Tue, 06 Dec 2026 09:00:00 GMT") +
                              RssItem("b1", "Title b1", "Mon, 05 Dec 2026 10:00:00 GMT")));
    runAll(true);

    const std::string expected = "You have 2 New Messages \r\n in Bravo account.\r\n\r\n";
    EXPECT_EQ(check_.NotifyText, expected);
    EXPECT_EQ(hooks_.events, (Strings{"list+ Alpha", "list+ Bravo", "tray busy", "busy Alpha",
                                      "list-", "tray busy", "busy Bravo", "list-", "tray idle",
                                      "unload", "alert 6000 " + expected}));
    EXPECT_EQ(hooks_.statuses.size(), 22u);  // every state of each transfer but the error's
    EXPECT_EQ(hooks_.statuses[10], INetStateText(12));
    EXPECT_EQ(stored(bravo), (Strings{"b2", "b1"}));
    EXPECT_EQ(tree_.findNode(bravo)->child(0)->text(), "Title b2");  // rebuilt, newest first
    EXPECT_TRUE(seam.boxes.empty());

    tree_.findNode(bravo)->setExpanded(true);
    ASSERT_TRUE(tree_.setSelectedNode(tree_.findNode(bravo)->child(1)));
    server_.serve("/Alpha", OneItem("a2", "Tue, 06 Dec 2026"));
    server_.serve("/Bravo", OneItem("b3", "Wed, 07 Dec 2026"));
    check_.StopRun();  // no run: nothing to stop
    // The program's end stops a run after the source in progress, stored whole and announced.
    seam.onEvents = [&] { check_.StopRun(); };
    runAll(false);
    EXPECT_EQ(check_.NotifyText, NewMessagesSentence(1, "Alpha"));
    EXPECT_EQ(hooks_.events.back(), "alert 6000 " + check_.NotifyText);
    EXPECT_EQ(stored(bravo), (Strings{"b2", "b1"}));
    EXPECT_TRUE(check_.CheckQueue().empty());
    seam.onEvents = nullptr;
    runAll(false);
    EXPECT_EQ(stored(bravo), (Strings{"b2", "b1", "b3"}));
    EXPECT_TRUE(tree_.findNode(bravo)->expanded());
    EXPECT_EQ(tree_.selectedNode()->tag(), "b1");
    EXPECT_EQ(tree_.selectedNode()->parent(), tree_.findNode(bravo));
}

TEST_F(CheckRunTest, AFailedWriteIsReportedAndTheRunGoesOnWithoutAnnouncingIt) {
    const std::string alpha = add("Alpha", OneItem("a1"));
    const std::string bravo = add("Bravo", OneItem("b1"));
    fs::create_directories(inboxPath(alpha));  // a folder where the file should be
    for (bool interactive : {false, true}) {
        fs::remove(inboxPath(bravo));
        runAll(interactive);
        EXPECT_EQ(check_.NotifyText, NewMessagesSentence(1, "Bravo"));
        EXPECT_EQ(seam.boxes.size(), interactive ? 1u : 0u);
    }
    EXPECT_EQ(stored(bravo), Strings{"b1"});
    EXPECT_EQ(seam.captions(), Strings{"Error ! (Source : SaveItem)"});

    // An inbox that cannot be put in place at the end (its folder went meanwhile) is a failed
    // save too, and the next check stores it.
    fs::remove(inboxPath(alpha));
    std::function<void()> removeOnceMerged = [&] {
        const fs::directory_iterator files(data + "/" + alpha), end;
        if (std::any_of(files, end,
                        [](const auto& f) {  // the merged inbox waits to be put in place
                            return f.path().filename().string().starts_with(".inbox.dat.tmp-");
                        }))
            fs::remove_all(data + "/" + alpha);
        else
            seam.onEvents = removeOnceMerged;
    };
    seam.onEvents = removeOnceMerged;
    fs::remove(inboxPath(bravo));
    runAll(true);
    EXPECT_EQ(seam.captions(), Strings{SaveFailureMessage(ENOENT).caption});
    EXPECT_EQ(check_.NotifyText, NewMessagesSentence(1, "Bravo"));
    EXPECT_EQ(stored(bravo), Strings{"b1"});
    EXPECT_FALSE(fs::exists(inboxPath(alpha)));
    seam.onEvents = nullptr;
    runAll(false);
    EXPECT_EQ(stored(alpha), Strings{"a1"});
    EXPECT_EQ(check_.NotifyText, NewMessagesSentence(1, "Alpha"));
}

// A double-click during a scheduled run (at its first events, while A is fetched) makes the rest
// of it interactive: B (not XML) fails with a box in its own turn and in the one it queued.
TEST_F(CheckRunTest, AUserTriggerMakesTheRestOfASilentRunInteractive) {
    server_.serve("/A", RssDocument(""), "application/rss+xml", 200, 300ms);
    add("A");
    add("B", "not a feed");
    seam.onEvents = [&] {
        tree_.setSelectedNode(tree_.topLevelNode(1));
        context.scheduler.CheckSelectedSource(tree_);
    };
    context.scheduler.tmrSchedule_Timer(tree_);
    EXPECT_EQ(seam.captions(), Strings(2, "Server returned Invalid Data!"));
    EXPECT_EQ(hooks_.events.back(), "unload");
    EXPECT_EQ(server_.hits("/B"), 2);
}

// A box left open for several time-outs while A's failure waits for OK, with B's server never
// answering and C's answering a little later than B's request is made.
TEST_F(CheckRunTest, ABoxLeftOpenFailsNoSourceFetchedAheadButAHangingServerStillTimesOut) {
    check_.transferOptions.totalTimeout = 600ms;
    seam.boxOpenMs = 3 * 600;
    test::LoopbackSocket silent;
    server_.serve("/C", OneItem("c1"), "application/rss+xml", 200, 200ms);
    add("A", "not a feed");
    const std::string b = link("B", silent.url());
    const std::string c = add("C");
    runAll(true);
    EXPECT_EQ(seam.captions(), (Strings{"Server returned Invalid Data!", "Error!"}));
    EXPECT_TRUE(stored(b).empty());
    EXPECT_EQ(stored(c), Strings{"c1"});
    EXPECT_EQ(check_.NotifyText, NewMessagesSentence(1, "C"));
}

TEST_F(CheckRunTest, ValidatorsAreThoseOfTheLastWhollyStoredFeed) {
    const std::string alpha = add("Alpha");
    const std::string inbox = inboxPath(alpha), aside = inbox + ".aside";
    const std::string a2 = OneItem("a2", "Tue, 06 Dec 2026"),
                      a3 = OneItem("a3", "Wed, 07 Dec 2026");
    const struct {
        std::string document, etag, lastModified;
        bool inboxUnwritable;
        std::string sentETag;  // If-None-Match of the request
        FeedValidators kept;   // stored afterwards
    } steps[] = {
        {OneItem("a1"), "\"v1\"", "LM1", false, "", {"\"v1\"", "LM1"}},
        {a2, "\"v2\"", "", false, "\"v1\"", {"\"v2\"", ""}},
        {a3, "\"v2\"", "", false, "\"v2\"", {"\"v2\"", ""}},  // 304: a3 is not seen
        {"<rss><channel>", "\"v3\"", "", false, "\"v2\"", {"\"v2\"", ""}},
        {a3, "\"v4\"", "", true, "\"v2\"", {"\"v2\"", ""}},
        {a3, "", "", false, "\"v2\"", {}},
        {a3, "\"v5\"", "", false, "", {"\"v5\"", ""}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.etag);
        server_.serveConditional("/Alpha", step.document, step.etag, step.lastModified);
        if (step.inboxUnwritable) {
            fs::rename(inbox, aside);
            fs::create_directory(inbox);
        }
        runAll(false);
        if (step.inboxUnwritable) {
            fs::remove(inbox);
            fs::rename(aside, inbox);
        }
        EXPECT_EQ(server_.sent("/Alpha", "If-None-Match").back(), step.sentETag);
        EXPECT_EQ(LoadFeedValidators(FeedValidatorsPath(data, alpha)), step.kept);
        EXPECT_EQ(fs::exists(FeedValidatorsPath(data, alpha)), !step.kept.empty());
    }
    EXPECT_EQ(stored(alpha), (Strings{"a1", "a2", "a3"}));
    EXPECT_EQ(server_.sent("/Alpha", "If-Modified-Since")[1], "LM1");
}

TEST_F(CheckRunTest, OnlyAWholeValidatorFileBesideAnInboxIsBelieved) {
    const std::string whole = "ETag: \"v1\"\r\nLast-Modified: LM1\r\n",
                      id = subscribe("S", "http://x/s");
    const std::string path = FeedValidatorsPath(data, id),
                      longTag = "ETag: \"" + std::string(2000, 'v') + "\"\r\n";
    dir.write("data/" + id + "/validators.dat", whole);
    EXPECT_EQ(LoadFeedValidators(path), FeedValidators{});  // no inbox beside it
    dir.write("data/" + id + "/inbox.dat", "");
    EXPECT_EQ(LoadFeedValidators(path), (FeedValidators{"\"v1\"", "LM1"}));
    for (const std::string damaged :
         {"ETag: \"v1\"", "ETag: \"v1\"\r", "ETag: \"v1\"\r\nX-Other: 1\r\n",
          "ETag: \"v1\"\r\nETag: \"v1\"\r\n", "ETag: \"v1\"\r\nRetry-Until: 1x\r\n",
          "ETag: \"v1\"\r\nRetry-Until: 0\r\n", "ETag: \"v1\"\x01\r\n", "\xff\xfe junk",
          longTag.c_str()}) {
        dir.write("data/" + id + "/validators.dat", damaged);
        EXPECT_EQ(LoadFeedValidators(path), FeedValidators{}) << damaged;
    }
    fs::remove(path);
    fs::create_directories(path);
    EXPECT_EQ(LoadFeedValidators(path), FeedValidators{});
}

TEST_F(CheckRunTest, RetryAfterHoldsScheduledRunsOffButNotTheUsersChecks) {
    const std::time_t later = std::time(nullptr) + 120;
    std::tm utc{};
    gmtime_r(&later, &utc);
    char date[40];
    std::strftime(date, sizeof date, "%a, %d %b %Y %H:%M:%S GMT", &utc);
    const std::pair<int, std::string> cases[] = {{503, "120"}, {429, date}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        const std::string path = "/busy" + std::to_string(c.first);
        server_.route(path, [c](const httplib::Request&, httplib::Response& response) {
            response.status = c.first;
            response.set_header("Retry-After", c.second);
            response.set_content("come back later", "text/plain");
        });
        const std::string held = link("A" + path, server_.url(path));
        auto run = [&](bool interactive) { return runAll(interactive), server_.hits(path); };
        const std::string heldFile =
            dir.write("data/" + held + "/validators.dat", "ETag: \"v0\"\r\n");

        EXPECT_EQ(run(false), 1);
        EXPECT_EQ(run(false), 1);  // held
        EXPECT_TRUE(ReadWholeFile(heldFile)->starts_with("ETag: \"v0\"\r\nRetry-Until: "));
        {
            mCheck another(context);
            another.QueueSources(tree_, true);
            another.ProcessQueue(tree_);
        }
        EXPECT_EQ(server_.hits(path), 1);
        EXPECT_TRUE(seam.boxes.empty());
        EXPECT_EQ(run(true), 2);  // the user asks anyway, and sees the failure
        EXPECT_EQ(seam.captions(), Strings{"Error!"});
        server_.serve(path, OneItem("a1"));
        clock.advance(60s);
        EXPECT_EQ(run(false), 2);
        clock.advance(3min);
        EXPECT_EQ(run(false), 3);
        EXPECT_EQ(stored(held), Strings{"a1"});
        EXPECT_FALSE(fs::exists(heldFile));  // the feed came whole, without validators
    }
}

}  // namespace
}  // namespace vellorin
