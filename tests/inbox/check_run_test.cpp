#include "inbox/check_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>

#include "app/scheduler.h"
#include "inbox/check_feed_server.h"
#include "inbox/feed_parser.h"
#include "inbox/inbox_world.h"
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

}  // namespace
}  // namespace vellorin
