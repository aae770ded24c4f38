#include "inbox/check_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>

#include "inbox/check_feed_server.h"
#include "inbox/feed_parser.h"
#include "inbox/feed_validators.h"
#include "inbox/inbox_world.h"
#include "inbox/scheduler.h"
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

Strings Joined(std::initializer_list<Strings> parts) {
    Strings all;
    for (const Strings& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
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

    // Serves the document at /name and gives its link.
    std::string serve(const std::string& name, const std::string& document, int status = 200) {
        server_.serve("/" + name, document, "application/rss+xml", status);
        return server_.url("/" + name);
    }
    // Subscribes a source and loads the message tree again.
    std::string add(const std::string& title, const std::string& link) {
        const std::string id = subscribe(title, link);
        context.subscriptions.LoadSubscriptions(tree_);
        return id;
    }
    void runAll(bool interactive) {
        hooks_ = RecordingHooks{};
        check_.InteractiveCheck = interactive;
        check_.QueueSources(tree_, true);
        check_.ProcessQueue(tree_);
    }

    // The validators stored for source `id`.
    FeedValidators validators(const std::string& id) const {
        return LoadFeedValidators(FeedValidatorsPath(data, id));
    }
    bool hasValidatorFile(const std::string& id) const {
        return fs::exists(FeedValidatorsPath(data, id));
    }
    // Marks a stored message read in the file only, as another process would.
    void markReadOnDisk(const std::string& id, const std::string& guid) {
        context.inbox.CurrentSourceID = id;
        context.inbox.CurrentItem = InboxItem{};
        context.inbox.CurrentItem.Guid = guid;
        ASSERT_TRUE(context.inbox.InboxItemAction(mInbox::MarkRead));
    }

    test::FeedServer server_;
    mCheck& check_;
    RecordingHooks hooks_;
    TreeControl tree_{"tvMessages"};
};

TEST_F(CheckRunTest, OnlyTheSourceWithNewMessagesIsAnnouncedOnceAtTheEnd) {
    add("Alpha", serve("alpha", OneItem("a1")));
    const std::string bravo = add("Bravo", serve("bravo", RssDocument("")));
    runAll(false);  // Alpha has its message now
    serve("bravo", RssDocument(RssItem("b2", "Title b2", "Tue, 06 Dec 2026 09:00:00 GMT") +
                               RssItem("b1", "Title b1", "Mon, 05 Dec 2026 10:00:00 GMT")));
    runAll(true);

    const std::string expected = "You have 2 New Messages \r\n in Bravo account.\r\n\r\n";
    EXPECT_EQ(check_.NotifyText, expected);
    EXPECT_EQ(hooks_.events, (Strings{"list+ Alpha", "list+ Bravo", "tray busy", "busy Alpha",
                                      "list-", "tray busy", "busy Bravo", "list-", "tray idle",
                                      "unload", "alert 6000 " + expected}));
    // Each transfer's states reach the status label, in order.
    const Strings states = {"Resolving Host Route...",
                            "Done! Connecting Gateway...",
                            "Done! Authentication in progress...",
                            "Done! Opening Session...",
                            "Done! Sending Status Request...",
                            "Request Sent! Waiting for Server reply...",
                            "Info Chunk received! Buffering...",
                            "Acknowledgement sent...",
                            "Done! Releasing Session...",
                            "Done! Parsing Data ...",
                            "Server Communication complete."};
    Strings twice = states;
    twice.insert(twice.end(), states.begin(), states.end());
    EXPECT_EQ(hooks_.statuses, twice);
    EXPECT_EQ(stored(bravo), (Strings{"b2", "b1"}));
    const TreeNode* node = tree_.findNode(bravo);  // rebuilt, newest first
    ASSERT_EQ(node->childCount(), 2);
    EXPECT_EQ(node->child(0)->text(), "Title b2");
    EXPECT_TRUE(seam.boxes.empty());

    // Nothing new: no announcement; a scheduled run shows neither busy window nor list.
    runAll(false);
    EXPECT_EQ(check_.NotifyText, "");
    EXPECT_EQ(hooks_.events, (Strings{"tray busy", "tray busy", "tray idle", "unload"}));
    EXPECT_TRUE(hooks_.statuses.empty());
}

// The program's end (a signal) stops a run between sources: the source in progress is stored
// whole and announced, the rest waits for the next run.
TEST_F(CheckRunTest, AStoppedRunEndsAfterTheSourceInProgress) {
    const std::string a = add("A", serve("a", OneItem("a1")));
    const std::string b = add("B", serve("b", OneItem("b1")));
    check_.StopRun();  // no run: nothing to stop
    seam.onEvents = [&] { check_.StopRun(); };
    runAll(false);
    EXPECT_EQ(stored(a), Strings{"a1"});
    EXPECT_EQ(stored(b), Strings{});
    EXPECT_TRUE(check_.CheckQueue().empty());
    EXPECT_NE(check_.NotifyText.find(" in A account."), std::string::npos);
    EXPECT_EQ(check_.NotifyText.find(" in B account."), std::string::npos);
    EXPECT_EQ(hooks_.events.back(), "alert 6000 " + check_.NotifyText);
    seam.onEvents = nullptr;
    runAll(false);
    EXPECT_EQ(stored(b), Strings{"b1"});
}

TEST_F(CheckRunTest, FailedFetchesStoreNothingAndShowTheEmptyDataBoxOnlyWhenInteractive) {
    test::LoopbackSocket silent;
    // A failed status is a failed fetch, however good the document that came with it.
    for (const std::string& link :
         {test::RefusingLink(), silent.url(), serve("404", OneItem("x"), 404)}) {
        SCOPED_TRACE(link);
        const std::string id = add(link, link);
        for (bool interactive : {true, false}) {
            seam.clear();
            hooks_.statuses.clear();
            check_.InteractiveCheck = interactive;
            check_.QueueAdd(link, link);
            check_.ProcessQueue(tree_);
            EXPECT_EQ(seam.captions(), interactive ? Strings{"Error!"} : Strings{});
            EXPECT_EQ(hooks_.statuses.empty() ? "" : hooks_.statuses.back(),
                      interactive ? "Error in reading Server Response!" : "");
            EXPECT_TRUE(stored(id).empty());
        }
    }
}

TEST_F(CheckRunTest, ServerCharsetReachesTheDecoder) {
    server_.serve("/latin1", test::TestData("encodings/latin1_undeclared.xml"),
                  "text/xml; charset=ISO-8859-1");
    const std::string id = add("Latin", server_.url("/latin1"));
    runAll(false);
    ASSERT_EQ(stored(id).size(), 1u);
    EXPECT_EQ(item(id, stored(id)[0]).Title, "Café naïve ß ½");
}

TEST_F(CheckRunTest, OfflineInteractiveRunSaysSoAndFetchesNothing) {
    add("Alpha", serve("alpha", OneItem("a1")));
    context.online.setOverride(false);
    runAll(true);
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.boxes[0].caption, "Working Offline?");
    EXPECT_EQ(seam.boxes[0].text,
              "Application failed to access Internet connection on this system. Please make "
              "sure you're working Online and Firewall is configured to allow Vellorin Pro to "
              "access Internet connection Line.");
    EXPECT_EQ(seam.boxes[0].icon, MsgIcon::Exclamation);
    EXPECT_TRUE(hooks_.events.empty());
    EXPECT_EQ(server_.hits("/alpha"), 0);
}

TEST_F(CheckRunTest, EveryEntryIsFetchedButOnlySubscribedLinksAreMerged) {
    const std::string alpha = serve("alpha", OneItem("a1"));
    const std::string alphaId = add("Alpha", alpha);
    check_.InteractiveCheck = true;
    check_.QueueAdd("Alpha", alpha);
    check_.QueueAdd("Ghost", serve("ghost", OneItem("g1", "Tue, 06 Dec 2026")));
    check_.QueueAdd("Alpha", alpha);
    check_.ProcessQueue(tree_);
    EXPECT_EQ(server_.hits("/alpha"), 2);
    EXPECT_EQ(stored(alphaId), Strings{"a1"});
    EXPECT_EQ(check_.NotifyText, NewMessagesSentence(1, "Alpha"));
    // Nothing but the subscription list and Alpha's folder in the data folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(data), fs::directory_iterator()), 2);
}

TEST_F(CheckRunTest, SourcesAheadAreFetchedWhileMergingKeepsQueueOrder) {
    server_.route("/A", [](const httplib::Request&, httplib::Response& response) {
        std::this_thread::sleep_for(300ms);
        response.set_content(OneItem("a1"), "application/rss+xml");
    });
    add("A", server_.url("/A"));
    add("B", serve("B", OneItem("b1")));
    runAll(true);
    EXPECT_EQ(check_.NotifyText, NewMessagesSentence(1, "A") + NewMessagesSentence(1, "B"));
    const Strings events = server_.events();
    EXPECT_LT(std::find(events.begin(), events.end(), "start /B"),
              std::find(events.begin(), events.end(), "end /A"));
}

TEST_F(CheckRunTest, AFailedWriteIsReportedAndTheRunGoesOnWithoutAnnouncingIt) {
    const std::string alpha = add("Alpha", serve("alpha", OneItem("a1")));
    const std::string bravo = add("Bravo", serve("bravo", OneItem("b1")));
    // Alpha's inbox cannot be written: a folder stands where the file should be.
    fs::create_directories(inboxPath(alpha));
    for (bool interactive : {false, true}) {
        SCOPED_TRACE(interactive);
        seam.clear();
        fs::remove(inboxPath(bravo));
        runAll(interactive);
        EXPECT_EQ(check_.NotifyText, "You have 1 New Messages \r\n in Bravo account.\r\n\r\n");
        EXPECT_EQ(stored(bravo), Strings{"b1"});
        if (!interactive) {
            EXPECT_TRUE(seam.boxes.empty());
            continue;
        }
        ASSERT_EQ(seam.captions(), Strings{"Error ! (Source : SaveItem)"});
        EXPECT_EQ(seam.boxes[0].text, "21 : \r\n\r\nIs a directory");
        EXPECT_EQ(seam.boxes[0].icon, MsgIcon::Critical);
    }
}

// A run over A (slow, so that the run's first events come during its fetch), B (not XML: a
// failure box) and C, which a trigger joins at those first events, queueing B once more.
TEST_F(CheckRunTest, AUserTriggerMakesTheRestOfASilentRunInteractiveAndNothingMakesARunSilent) {
    server_.route("/A", [](const httplib::Request&, httplib::Response& response) {
        std::this_thread::sleep_for(300ms);
        response.set_content(RssDocument(""), "application/rss+xml");
    });
    add("A", server_.url("/A"));
    add("B", serve("B", "not a feed"));
    add("C", serve("C", RssDocument("")));
    Scheduler& scheduler = context.scheduler;
    const auto queueB = [&](bool interactive) {
        check_.InteractiveCheck = interactive;
        check_.QueueAdd("B", server_.url("/B"));
        check_.ProcessQueue(tree_);
    };
    // After the join: the sources left, B once more at the end of the queue.
    const Strings rest = {"list-", "tray busy", "busy B", "list-", "tray busy", "busy C",
                          "list-", "tray busy", "busy B", "list-", "tray idle", "unload"};
    const Strings silentRest = {"tray busy", "tray busy", "tray busy", "tray idle", "unload"};
    const Strings listed = {"list+ A", "list+ B", "list+ C"};
    const auto schedule = [&] { scheduler.tmrSchedule_Timer(tree_); };
    struct Case {
        const char* name;
        std::function<void()> run, join;
        Strings before, after;
        bool interactiveAfter;
    } cases[] = {
        {"double-click on a source joins the schedule",
         schedule,
         [&] {
             tree_.setSelectedNode(tree_.topLevelNode(1));
             scheduler.CheckSelectedSource(tree_);
         },
         {"tray busy"},
         Joined({listed, {"list+ B", "busy A"}, rest}),
         true},
        {"a silent trigger joins the schedule",
         schedule,
         [&] { queueB(false); },
         {"tray busy"},
         silentRest,
         false},
        {"a silent trigger joins a user's run",
         [&] { scheduler.mnuMsgSourceCheckAll_Click(tree_); }, [&] { queueB(false); },
         Joined({listed, {"tray busy", "busy A"}}), Joined({{"list+ B"}, rest}), true},
    };
    for (const Case& c : cases) {
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
        EXPECT_EQ(hooks_.events, Joined({c.before, {"join"}, c.after}));
        EXPECT_EQ(boxesAtJoin, 0u);
        EXPECT_EQ(seam.captions(),
                  c.interactiveAfter ? Strings(2, "Server returned Invalid Data!") : Strings{});
        // The statuses from the join on: the state A's transfer had reached (which one depends on
        // timing), then every state of the rest; nothing before the join in a silent run.
        const auto join = std::find(hooks_.statuses.begin(), hooks_.statuses.end(), "join");
        EXPECT_EQ(join == hooks_.statuses.begin(), c.before == Strings{"tray busy"});
        EXPECT_EQ(std::count(join, hooks_.statuses.end(), "Server Communication complete."),
                  c.interactiveAfter ? 4 : 0);
    }
}

// A box that the user leaves open for several time-outs while A's failure waits for OK, with B's
// server never answering and C's answering a little later than B's request is made.
TEST_F(CheckRunTest, ABoxLeftOpenFailsNoSourceFetchedAheadButAHangingServerStillTimesOut) {
    check_.transferOptions.totalTimeout = 600ms;
    seam.boxOpenMs = 3 * 600;
    test::LoopbackSocket silent;
    server_.route("/C", [](const httplib::Request&, httplib::Response& response) {
        std::this_thread::sleep_for(200ms);
        response.set_content(OneItem("c1"), "application/rss+xml");
    });
    add("A", serve("A", "not a feed"));
    const std::string b = add("B", silent.url());
    const std::string c = add("C", server_.url("/C"));
    runAll(true);
    EXPECT_EQ(seam.captions(), (Strings{"Server returned Invalid Data!", "Error!"}));
    EXPECT_TRUE(stored(b).empty());
    EXPECT_EQ(stored(c), Strings{"c1"});
    EXPECT_EQ(check_.NotifyText, NewMessagesSentence(1, "C"));
}

TEST_F(CheckRunTest, UnchangedFeedCostsA304AndLeavesEverythingAsItWas) {
    const std::string lastModified = "Mon, 05 Dec 2026 08:00:00 GMT";
    server_.serveConditional("/alpha", OneItem("a1"), "\"v1\"", lastModified);
    const std::string alpha = add("Alpha", server_.url("/alpha"));
    runAll(false);
    ASSERT_EQ(stored(alpha), Strings{"a1"});
    EXPECT_EQ(validators(alpha), (FeedValidators{"\"v1\"", lastModified}));
    // Only a rebuilt node would show this.
    markReadOnDisk(alpha, "a1");

    runAll(true);
    EXPECT_EQ(server_.sent("/alpha", "If-None-Match"), (Strings{"", "\"v1\""}));
    EXPECT_EQ(server_.sent("/alpha", "If-Modified-Since"), (Strings{"", lastModified}));
    EXPECT_EQ(seam.captions(), Strings{});
    EXPECT_EQ(check_.NotifyText, "");
    EXPECT_EQ(hooks_.events,
              (Strings{"list+ Alpha", "tray busy", "busy Alpha", "list-", "tray idle", "unload"}));
    EXPECT_EQ(hooks_.statuses.back(), "Server Communication complete.");
    const TreeNode* node = tree_.findNode(alpha);
    ASSERT_EQ(node->childCount(), 1);
    EXPECT_TRUE(node->child(0)->bold());
    EXPECT_EQ(stored(alpha), Strings{"a1"});
}

TEST_F(CheckRunTest, ValidatorsAreThoseOfTheLastWhollyStoredFeed) {
    const std::string link = server_.url("/alpha");
    const std::string alpha = add("Alpha", link);
    const std::string inbox = inboxPath(alpha), aside = inbox + ".aside";
    const struct {
        const char* what;
        std::string document, etag, lastModified;
        bool inboxUnwritable;
        std::string sentETag;  // If-None-Match of the request
        FeedValidators kept;   // stored afterwards
    } steps[] = {
        {"first check", OneItem("a1"), "\"v1\"", "LM1", false, "", {"\"v1\"", "LM1"}},
        {"changed feed",
         OneItem("a2", "Tue, 06 Dec 2026"),
         "\"v2\"",
         "",
         false,
         "\"v1\"",
         {"\"v2\"", ""}},
        {"not XML", "<rss><channel>", "\"v3\"", "", false, "\"v2\"", {"\"v2\"", ""}},
        {"inbox cannot be written",
         OneItem("a3", "Wed, 07 Dec 2026"),
         "\"v4\"",
         "",
         true,
         "\"v2\"",
         {"\"v2\"", ""}},
        {"no validators any more", OneItem("a3", "Wed, 07 Dec 2026"), "", "", false, "\"v2\"", {}},
        {"validators again",
         OneItem("a3", "Wed, 07 Dec 2026"),
         "\"v5\"",
         "",
         false,
         "",
         {"\"v5\"", ""}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        server_.serveConditional("/alpha", step.document, step.etag, step.lastModified);
        if (step.inboxUnwritable) {
            fs::rename(inbox, aside);
            fs::create_directory(inbox);
        }
        runAll(false);
        if (step.inboxUnwritable) {
            fs::remove(inbox);
            fs::rename(aside, inbox);
        }
        EXPECT_EQ(server_.sent("/alpha", "If-None-Match").back(), step.sentETag);
        EXPECT_EQ(validators(alpha), step.kept);
        EXPECT_EQ(hasValidatorFile(alpha), !step.kept.empty());
    }
    EXPECT_EQ(stored(alpha), (Strings{"a1", "a2", "a3"}));
}

TEST_F(CheckRunTest, DamagedOrMissingValidatorFileMeansAFullFetch) {
    const std::string whole = "ETag: \"v1\"\r\nLast-Modified: LM1\r\n";
    const struct {
        const char* what;
        std::string file;  // the validator file's bytes; "/" makes it a folder, "" leaves none
        bool fullFetch;
        bool inbox = true;  // an inbox.dat (empty) beside it
    } cases[] = {
        {"whole", whole, false},
        {"missing", "", true},
        {"beside no inbox", whole, true, false},
        {"cut off", "ETag: \"v1\"", true},
        {"cut inside its line end", "ETag: \"v1\"\r", true},
        {"unknown line", "ETag: \"v1\"\r\nX-Other: 1\r\n", true},
        {"a name twice", "ETag: \"v1\"\r\nETag: \"v1\"\r\n", true},
        {"a damaged hold", "ETag: \"v1\"\r\nRetry-Until: 1x\r\n", true},
        {"a hold of 0", "ETag: \"v1\"\r\nRetry-Until: 0\r\n", true},
        {"control character", "ETag: \"v1\"\x01\r\n", true},
        {"binary", std::string("\xff\xfe\0\x02 junk", 9), true},
        {"overlong value", "ETag: \"" + std::string(2000, 'v') + "\"\r\n", true},
        {"not a file", "/", true},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = "/feed" + std::to_string(++n);
        server_.serveConditional(path, OneItem("x"), "\"v1\"", "LM1");
        const std::string id = subscribe(c.what, server_.url(path));
        if (c.inbox)
            dir.write("data/" + id + "/inbox.dat", "");
        if (c.file == "/")
            fs::create_directories(FeedValidatorsPath(data, id));
        else if (!c.file.empty())
            dir.write("data/" + id + "/validators.dat", c.file);
        check_.InteractiveCheck = false;
        check_.QueueAdd(c.what, server_.url(path));
        check_.ProcessQueue(tree_);
        EXPECT_EQ(server_.sent(path, "If-None-Match"), Strings{c.fullFetch ? "" : "\"v1\""});
        EXPECT_EQ(stored(id), c.fullFetch ? Strings{"x"} : Strings{});
    }
}

// An HTTP date (IMF-fixdate) `seconds` from now.
std::string HttpDateFromNow(int seconds) {
    const std::time_t t = std::time(nullptr) + seconds;
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[40];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &utc);
    return text;
}

TEST_F(CheckRunTest, RetryAfterHoldsScheduledRunsOffButNotTheUsersChecks) {
    const struct {
        int status;
        std::string retryAfter;
    } cases[] = {{503, "120"}, {429, HttpDateFromNow(120)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        const std::string path = "/busy" + std::to_string(c.status);
        server_.route(path, [c](const httplib::Request&, httplib::Response& response) {
            response.status = c.status;
            response.set_header("Retry-After", c.retryAfter);
            response.set_content("come back later", "text/plain");
        });
        const std::string held = add("A " + path, server_.url(path));
        const std::string other = add("B " + path, serve("other" + path, OneItem("b1")));
        auto run = [&](bool interactive) {
            seam.clear();
            runAll(interactive);
            return server_.hits(path);
        };
        const std::string heldFile = FeedValidatorsPath(data, held);
        dir.write("data/" + held + "/validators.dat", "ETag: \"v0\"\r\n");

        EXPECT_EQ(run(false), 1);
        EXPECT_EQ(run(false), 1);  // held; the other source is fetched as usual
        // Kept with the source's validators, so that another process (a run of its own over the
        // same data folder: the next start, a scheduled vellorinctl check) leaves it alone too.
        EXPECT_EQ(server_.hits("/other" + path), 2);
        EXPECT_TRUE(ReadWholeFile(heldFile)->starts_with("ETag: \"v0\"\r\nRetry-Until: "));
        {
            mCheck another(context);
            another.QueueSources(tree_, true);
            another.ProcessQueue(tree_);
        }
        EXPECT_EQ(server_.hits(path), 1);
        EXPECT_EQ(server_.hits("/other" + path), 3);
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
        EXPECT_EQ(stored(other), Strings{"b1"});
        context.subscriptions.CurrentSource.Link = server_.url(path);
        ASSERT_TRUE(context.subscriptions.SourceAction(mSubscriptions::RemoveSource));
        context.subscriptions.CurrentSource.Link = server_.url("/other" + path);
        ASSERT_TRUE(context.subscriptions.SourceAction(mSubscriptions::RemoveSource));
        context.subscriptions.LoadSubscriptions(tree_);
    }
}

// An inbox that cannot be put in place at the end (its folder went while the run went on) was not
// stored: the user sees the failed save, the announcement leaves it out, and the next check stores
// it.
TEST_F(CheckRunTest, AnInboxThatCannotBePutInPlaceIsAFailedSaveAndNotAnnounced) {
    const std::string alpha = add("Alpha", serve("alpha", OneItem("a1")));
    const std::string bravo = add("Bravo", serve("bravo", OneItem("b1")));
    const auto waitingInbox = [&] {
        if (!fs::is_directory(data + "/" + alpha))
            return false;
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

TEST_F(CheckRunTest, ARunKeepsTheExpandedSourcesAndTheSelectedMessage) {
    const std::string alpha = add("Alpha", serve("alpha", OneItem("a1")));
    const std::string bravo = add("Bravo", serve("bravo", OneItem("b1")));
    runAll(false);
    tree_.findNode(alpha)->setExpanded(true);
    ASSERT_TRUE(tree_.setSelectedNode(tree_.findNode(alpha)->child(0)));
    serve("alpha", RssDocument(RssItem("a2", "Title a2", "Tue, 06 Dec 2026 09:00:00 GMT") +
                               RssItem("a1", "Title a1", "Mon, 05 Dec 2026 08:00:00 GMT")));
    serve("bravo", RssDocument(RssItem("b2", "Title b2", "Tue, 06 Dec 2026 09:00:00 GMT")));

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
    serve("bravo", RssDocument(RssItem("b3", "Title b3", "Wed, 07 Dec 2026 09:00:00 GMT")));
    runAll(false);
    EXPECT_EQ(tree_.selectedNode(), tree_.findNode(bravo));
    EXPECT_TRUE(tree_.findNode(alpha)->expanded());
}

}  // namespace
}  // namespace vellorin
