#include "inbox/check_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>

#include "inbox/check_feed_server.h"
#include "inbox/feed_parser.h"
#include "inbox/feed_validators.h"
#include "inbox/inbox_store.h"
#include "inbox/inbox_world.h"
#include "inbox/online_state.h"
#include "inbox/scheduler.h"
#include "inbox/transfer_state.h"
#include "subscriptions/subscriptions.h"
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

Strings operator+(Strings a, const Strings& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

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

    // Serves `document` at /name (unless empty) and subscribes source `name` to it.
    std::string add(const std::string& name, const std::string& document = "") {
        if (!document.empty())
            server_.serve("/" + name, document);
        return link(name, server_.url("/" + name));
    }
    void serve(const std::string& name, const std::string& document) {
        server_.serve("/" + name, document);
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
    void queue(bool interactive, const std::string& title, const std::string& link) {
        check_.InteractiveCheck = interactive;
        check_.QueueAdd(title, link);
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
    serve("Bravo", RssDocument(RssItem("b2", "Title b2", "Tue, 06 Dec 2026 09:00:00 GMT") +
                               RssItem("b1", "Title b1", "Mon, 05 Dec 2026 10:00:00 GMT")));
    runAll(true);

    const std::string expected = "You have 2 New Messages \r\n in Bravo account.\r\n\r\n";
    EXPECT_EQ(check_.NotifyText, expected);
    EXPECT_EQ(hooks_.events, (Strings{"list+ Alpha", "list+ Bravo", "tray busy", "busy Alpha",
                                      "list-", "tray busy", "busy Bravo", "list-", "tray idle",
                                      "unload", "alert 6000 " + expected}));
    Strings states;  // every state of each transfer, in order
    for (int s = 1; s <= 12; ++s)
        states.emplace_back(INetStateText(static_cast<std::int16_t>(s)));
    states.erase(states.begin() + 10);  // all but the error's (11)
    EXPECT_EQ(hooks_.statuses, states + states);
    EXPECT_EQ(states.back(), "Server Communication complete.");
    EXPECT_EQ(stored(bravo), (Strings{"b2", "b1"}));
    const TreeNode* node = tree_.findNode(bravo);  // rebuilt, newest first
    ASSERT_EQ(node->childCount(), 2);
    EXPECT_EQ(node->child(0)->text(), "Title b2");
    EXPECT_TRUE(seam.boxes.empty());

    runAll(false);
    EXPECT_EQ(check_.NotifyText, "");
    EXPECT_EQ(hooks_.events, (Strings{"tray busy", "tray busy", "tray idle", "unload"}));
    EXPECT_TRUE(hooks_.statuses.empty());

    serve("Alpha", OneItem("a2", "Tue, 06 Dec 2026"));
    serve("Bravo", OneItem("b3", "Wed, 07 Dec 2026"));
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
}

TEST_F(CheckRunTest, OfflineInteractiveRunSaysSoAndFetchesNothing) {
    add("Alpha", OneItem("a1"));
    context.online.setOverride(false);
    runAll(true);
    EXPECT_EQ(seam.captions(), Strings{"Working Offline?"});
    EXPECT_EQ(seam.boxes[0].icon, MsgIcon::Exclamation);
    EXPECT_TRUE(hooks_.events.empty());
    EXPECT_EQ(server_.hits("/Alpha"), 0);
}

TEST_F(CheckRunTest, FailedFetchesStoreNothingAndShowTheEmptyDataBoxOnlyWhenInteractive) {
    test::LoopbackSocket silent;
    server_.serve("/404", OneItem("x"), "application/rss+xml", 404);
    for (const std::string& url : {test::RefusingLink(), silent.url(), server_.url("/404")}) {
        SCOPED_TRACE(url);
        const std::string id = link(url, url);
        for (bool interactive : {true, false}) {
            seam.clear();
            hooks_.statuses.clear();
            queue(interactive, url, url);
            EXPECT_EQ(seam.captions(), interactive ? Strings{"Error!"} : Strings{});
            EXPECT_EQ(hooks_.statuses.empty() ? "" : hooks_.statuses.back(),
                      interactive ? "Error in reading Server Response!" : "");
            EXPECT_TRUE(stored(id).empty());
        }
    }
}

TEST_F(CheckRunTest, EveryEntryIsFetchedButOnlySubscribedLinksAreMerged) {
    const std::string alpha = add("Alpha", OneItem("a1"));
    server_.serve("/ghost", OneItem("g1", "Tue, 06 Dec 2026"));
    check_.InteractiveCheck = true;
    check_.QueueAdd("Alpha", server_.url("/Alpha"));
    check_.QueueAdd("Ghost", server_.url("/ghost"));
    queue(true, "Alpha", server_.url("/Alpha"));
    EXPECT_EQ(server_.hits("/Alpha"), 2);
    EXPECT_EQ(stored(alpha), Strings{"a1"});
    EXPECT_EQ(check_.NotifyText, NewMessagesSentence(1, "Alpha"));
    EXPECT_EQ(std::distance(fs::directory_iterator(data), fs::directory_iterator()), 2);
}

TEST_F(CheckRunTest, SourcesAheadAreFetchedWhileMergingKeepsQueueOrder) {
    server_.serveSlowly("/A", OneItem("a1"), 300ms);
    add("A");
    server_.serve("/B",
                  "<rss><channel><item><guid>g1</guid><title>Caf\xE9 na\xEFve \xDF \xBD</title>"
                  "</item></channel></rss>",
                  "text/xml; charset=ISO-8859-1");
    const std::string b = add("B");
    runAll(true);
    EXPECT_EQ(check_.NotifyText, NewMessagesSentence(1, "A") + NewMessagesSentence(1, "B"));
    const Strings events = server_.events();
    EXPECT_LT(std::find(events.begin(), events.end(), "start /B"),
              std::find(events.begin(), events.end(), "end /A"));
    EXPECT_EQ(item(b, "g1").Title, "Café naïve ß ½");  // the server's charset reached the decoder
}

TEST_F(CheckRunTest, AFailedWriteIsReportedAndTheRunGoesOnWithoutAnnouncingIt) {
    const std::string alpha = add("Alpha", OneItem("a1"));
    const std::string bravo = add("Bravo", OneItem("b1"));
    fs::create_directories(inboxPath(alpha));  // a folder where the file should be
    for (bool interactive : {false, true}) {
        SCOPED_TRACE(interactive);
        fs::remove(inboxPath(bravo));
        runAll(interactive);
        EXPECT_EQ(check_.NotifyText, "You have 1 New Messages \r\n in Bravo account.\r\n\r\n");
        EXPECT_EQ(stored(bravo), Strings{"b1"});
        EXPECT_EQ(seam.captions(),
                  interactive ? Strings{"Error ! (Source : SaveItem)"} : Strings{});
    }
    EXPECT_EQ(seam.boxes[0].text, "21 : \r\n\r\nIs a directory");
    EXPECT_EQ(seam.boxes[0].icon, MsgIcon::Critical);

    // An inbox that cannot be put in place at the end (its folder went meanwhile) is a failed
    // save too, and the next check stores it.
    fs::remove(inboxPath(alpha));
    const auto waitingInbox = [&] {
        for (const auto& entry : fs::directory_iterator(data + "/" + alpha)) {
            if (entry.path().filename().string().starts_with(".inbox.dat.tmp-"))
                return true;
        }
        return false;
    };
    std::function<void()> removeOnceMerged = [&] {
        if (waitingInbox())
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

// A run over A (slow, so that the run's first events come during its fetch), B (not XML: a
// failure box) and C, which a trigger joins at those first events, queueing B once more.
TEST_F(CheckRunTest, AUserTriggerMakesTheRestOfASilentRunInteractiveAndNothingMakesARunSilent) {
    server_.serveSlowly("/A", RssDocument(""), 300ms);
    add("A");
    add("B", "not a feed");
    add("C", RssDocument(""));
    Scheduler& scheduler = context.scheduler;
    const Strings rest = {"list-", "tray busy", "busy B", "list-", "tray busy", "busy C",
                          "list-", "tray busy", "busy B", "list-", "tray idle", "unload"};
    const Strings listed = {"list+ A", "list+ B", "list+ C"};
    const auto schedule = [&] { scheduler.tmrSchedule_Timer(tree_); };
    const auto queueB = [&] { queue(false, "B", server_.url("/B")); };
    const auto doubleClick = [&] {
        tree_.setSelectedNode(tree_.topLevelNode(1));
        scheduler.CheckSelectedSource(tree_);
    };
    const Strings busy = {"tray busy"},
                  silentRest = {"tray busy", "tray busy", "tray idle", "unload"};
    const struct {
        const char* name;
        std::function<void()> run, join;
        Strings before, after;
        bool interactiveAfter;
    } cases[] = {
        {"double-click joins the schedule", schedule, doubleClick, busy,
         listed + Strings{"list+ B", "busy A"} + rest, true},
        {"a silent trigger joins the schedule", schedule, queueB, busy, busy + silentRest, false},
        {"a silent trigger joins a user's run",
         [&] { scheduler.mnuMsgSourceCheckAll_Click(tree_); }, queueB,
         listed + busy + Strings{"busy A"}, Strings{"list+ B"} + rest, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        hooks_ = RecordingHooks{};
        seam.clear();
        scheduler.LastCheck.reset();
        std::size_t boxesAtJoin = 0;
        seam.onEvents = [&] {
            hooks_.events.push_back("join");
            hooks_.statuses.push_back("join");
            boxesAtJoin = seam.boxes.size();
            c.join();
        };
        c.run();
        EXPECT_EQ(hooks_.events, c.before + Strings{"join"} + c.after);
        EXPECT_EQ(boxesAtJoin, 0u);
        EXPECT_EQ(seam.captions(),
                  c.interactiveAfter ? Strings(2, "Server returned Invalid Data!") : Strings{});
        // From the join on: the state A's transfer had reached, then every state of the rest.
        const auto join = std::find(hooks_.statuses.begin(), hooks_.statuses.end(), "join");
        EXPECT_EQ(join == hooks_.statuses.begin(), c.before == busy);
        EXPECT_EQ(std::count(join, hooks_.statuses.end(), "Server Communication complete."),
                  c.interactiveAfter ? 4 : 0);
    }
}

// A box left open for several time-outs while A's failure waits for OK, with B's server never
// answering and C's answering a little later than B's request is made.
TEST_F(CheckRunTest, ABoxLeftOpenFailsNoSourceFetchedAheadButAHangingServerStillTimesOut) {
    check_.transferOptions.totalTimeout = 600ms;
    seam.boxOpenMs = 3 * 600;
    test::LoopbackSocket silent;
    server_.serveSlowly("/C", OneItem("c1"), 200ms);
    add("A", "not a feed");
    const std::string b = link("B", silent.url());
    const std::string c = add("C");
    runAll(true);
    EXPECT_EQ(seam.captions(), (Strings{"Server returned Invalid Data!", "Error!"}));
    EXPECT_TRUE(stored(b).empty());
    EXPECT_EQ(stored(c), Strings{"c1"});
    EXPECT_EQ(check_.NotifyText, NewMessagesSentence(1, "C"));
}

TEST_F(CheckRunTest, UnchangedFeedCostsA304AndLeavesEverythingAsItWas) {
    const std::string lastModified = "Mon, 05 Dec 2026 08:00:00 GMT";
    server_.serveConditional("/Alpha", OneItem("a1"), "\"v1\"", lastModified);
    const std::string alpha = add("Alpha");
    runAll(false);
    ASSERT_EQ(stored(alpha), Strings{"a1"});
    EXPECT_EQ(LoadFeedValidators(FeedValidatorsPath(data, alpha)),
              (FeedValidators{"\"v1\"", lastModified}));
    context.inbox.CurrentSourceID = alpha;
    context.inbox.CurrentItem.Guid = "a1";  // read in the file only: a rebuilt node would show it
    ASSERT_TRUE(context.inbox.InboxItemAction(mInbox::MarkRead));

    runAll(true);
    EXPECT_EQ(server_.sent("/Alpha", "If-None-Match"), (Strings{"", "\"v1\""}));
    EXPECT_EQ(server_.sent("/Alpha", "If-Modified-Since"), (Strings{"", lastModified}));
    EXPECT_EQ(seam.captions(), Strings{});
    EXPECT_EQ(check_.NotifyText, "");
    EXPECT_EQ(hooks_.events,
              (Strings{"list+ Alpha", "tray busy", "busy Alpha", "list-", "tray idle", "unload"}));
    EXPECT_EQ(hooks_.statuses.back(), "Server Communication complete.");
    ASSERT_EQ(tree_.findNode(alpha)->childCount(), 1);
    EXPECT_TRUE(tree_.findNode(alpha)->child(0)->bold());
    EXPECT_EQ(stored(alpha), Strings{"a1"});
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
}

TEST_F(CheckRunTest, DamagedOrMissingValidatorFileMeansAFullFetch) {
    const std::string whole = "ETag: \"v1\"\r\nLast-Modified: LM1\r\n";
    const struct {
        std::string file;  // the validator file's bytes; "/" makes it a folder, "" leaves none
        bool fullFetch;
        bool inbox = true;  // an inbox.dat (empty) beside it
    } cases[] = {
        {whole, false},
        {"", true},
        {whole, true, false},
        {"ETag: \"v1\"", true},
        {"ETag: \"v1\"\r", true},
        {"ETag: \"v1\"\r\nX-Other: 1\r\n", true},
        {"ETag: \"v1\"\r\nETag: \"v1\"\r\n", true},
        {"ETag: \"v1\"\r\nRetry-Until: 1x\r\n", true},
        {"ETag: \"v1\"\r\nRetry-Until: 0\r\n", true},
        {"ETag: \"v1\"\x01\r\n", true},
        {std::string("\xff\xfe\0\x02 junk", 9), true},
        {"ETag: \"" + std::string(2000, 'v') + "\"\r\n", true},
        {"/", true},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string path = "/feed" + std::to_string(++n);
        SCOPED_TRACE(path);
        server_.serveConditional(path, OneItem("x"), "\"v1\"", "LM1");
        const std::string id = subscribe(path, server_.url(path));
        if (c.inbox)
            dir.write("data/" + id + "/inbox.dat", "");
        if (c.file == "/")
            fs::create_directories(FeedValidatorsPath(data, id));
        else if (!c.file.empty())
            dir.write("data/" + id + "/validators.dat", c.file);
        queue(false, path, server_.url(path));
        EXPECT_EQ(server_.sent(path, "If-None-Match"), Strings{c.fullFetch ? "" : "\"v1\""});
        EXPECT_EQ(stored(id), c.fullFetch ? Strings{"x"} : Strings{});
    }
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
        const std::string path = "/busy" + std::to_string(c.first), other = "other" + path;
        server_.route(path, [c](const httplib::Request&, httplib::Response& response) {
            response.status = c.first;
            response.set_header("Retry-After", c.second);
            response.set_content("come back later", "text/plain");
        });
        const std::string held = link("A" + path, server_.url(path));
        const std::string otherId = add(other, OneItem("b1"));
        auto run = [&](bool interactive) {
            runAll(interactive);
            return server_.hits(path);
        };
        const std::string heldFile = FeedValidatorsPath(data, held);
        dir.write("data/" + held + "/validators.dat", "ETag: \"v0\"\r\n");

        EXPECT_EQ(run(false), 1);
        EXPECT_EQ(run(false), 1);  // held; the other source is fetched as usual
        EXPECT_EQ(server_.hits("/" + other), 2);
        // Kept with the validators, so that another process's run leaves it alone too.
        EXPECT_TRUE(ReadWholeFile(heldFile)->starts_with("ETag: \"v0\"\r\nRetry-Until: "));
        {
            mCheck another(context);
            another.QueueSources(tree_, true);
            another.ProcessQueue(tree_);
        }
        EXPECT_EQ(server_.hits(path), 1);
        EXPECT_EQ(server_.hits("/" + other), 3);
        EXPECT_TRUE(seam.boxes.empty());
        EXPECT_EQ(run(true), 2);  // the user asks anyway, and sees the failure
        EXPECT_EQ(seam.captions(), Strings{"Error!"});
        clock.advance(60s);
        EXPECT_EQ(run(false), 2);
        server_.serve(path, OneItem("a1"));
        clock.advance(3min);
        EXPECT_EQ(run(false), 3);
        EXPECT_EQ(stored(held), Strings{"a1"});
        EXPECT_FALSE(fs::exists(heldFile));  // the feed came whole, without validators
        EXPECT_EQ(stored(otherId), Strings{"b1"});
        for (const std::string& url : {server_.url(path), server_.url("/" + other)}) {
            context.subscriptions.CurrentSource.Link = url;
            ASSERT_TRUE(context.subscriptions.SourceAction(mSubscriptions::RemoveSource));
        }
        context.subscriptions.LoadSubscriptions(tree_);
    }
}

TEST_F(CheckRunTest, ARunKeepsTheExpandedSourcesAndTheSelectedMessage) {
    const std::string alpha = add("Alpha", OneItem("a1"));
    const std::string bravo = add("Bravo", OneItem("b1"));
    runAll(false);
    tree_.findNode(alpha)->setExpanded(true);
    ASSERT_TRUE(tree_.setSelectedNode(tree_.findNode(alpha)->child(0)));
    serve("Alpha", RssDocument(RssItem("a2", "Title a2", "Tue, 06 Dec 2026 09:00:00 GMT") +
                               RssItem("a1", "Title a1", "Mon, 05 Dec 2026 08:00:00 GMT")));
    serve("Bravo", OneItem("b2", "Tue, 06 Dec 2026"));

    runAll(true);
    const TreeNode* node = tree_.findNode(alpha);
    ASSERT_EQ(node->childCount(), 2);  // rebuilt with the new message
    EXPECT_TRUE(node->expanded());
    EXPECT_FALSE(tree_.findNode(bravo)->expanded());
    ASSERT_NE(tree_.selectedNode(), nullptr);
    EXPECT_EQ(tree_.selectedNode()->tag(), "a1");
    EXPECT_EQ(tree_.selectedNode()->parent(), node);

    // A selected message that is deleted meanwhile leaves its source selected.
    ASSERT_TRUE(tree_.setSelectedNode(tree_.findNode(bravo)->child(0)));
    context.inbox.CurrentSourceID = bravo;
    context.inbox.CurrentItem.Guid = tree_.selectedNode()->tag();
    ASSERT_TRUE(context.inbox.InboxItemAction(mInbox::DeleteItem));
    serve("Bravo", OneItem("b3", "Wed, 07 Dec 2026"));
    runAll(false);
    EXPECT_EQ(tree_.selectedNode(), tree_.findNode(bravo));
    EXPECT_TRUE(tree_.findNode(alpha)->expanded());
}

}  // namespace
}  // namespace vellorin
