#include "inbox/check_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

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
    std::string serve(const std::string& name, const std::string& document,
                      const std::string& contentType = "application/rss+xml", int status = 200) {
        server_.serve("/" + name, document, contentType, status);
        return server_.url("/" + name);
    }
    int hits(const std::string& name) { return server_.hits("/" + name); }
    // Subscribes a source and loads the message tree again.
    std::string add(const std::string& title, const std::string& link) {
        const std::string id = subscribe(title, link);
        context.subscriptions.LoadSubscriptions(tree_);
        return id;
    }
    void runAll(bool interactive) {
        check_.InteractiveCheck = interactive;
        check_.QueueSources(tree_, true);
        check_.ProcessQueue(tree_);
    }
    void runOne(bool interactive, const std::string& title, const std::string& link) {
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
    add("Alpha", serve("alpha", OneItem("a1")));
    const std::string bravoLink = serve("bravo", RssDocument(""));
    const std::string bravo = add("Bravo", bravoLink);
    add("Charlie", serve("charlie", OneItem("c1")));
    runAll(false);  // Alpha and Charlie have their messages now
    hooks_ = RecordingHooks{};

    serve("bravo", RssDocument(RssItem("b2", "Title b2", "Tue, 06 Dec 2026 09:00:00 GMT") +
                               RssItem("b1", "Title b1", "Mon, 05 Dec 2026 10:00:00 GMT")));
    runAll(true);

    const std::string expected = "You have 2 New Messages \r\n in Bravo account.\r\n\r\n";
    EXPECT_EQ(check_.NotifyText, expected);
    EXPECT_EQ(hooks_.events,
              (Strings{"list+ Alpha", "list+ Bravo", "list+ Charlie", "tray busy", "busy Alpha",
                       "list-", "tray busy", "busy Bravo", "list-", "tray busy", "busy Charlie",
                       "list-", "tray idle", "unload", "alert 6000 " + expected}));
    // Each transfer's states reach the status label, in order.
    ASSERT_EQ(hooks_.statuses.size(), 33u);
    EXPECT_EQ(
        Strings(hooks_.statuses.begin(), hooks_.statuses.begin() + 11),
        (Strings{"Resolving Host Route...", "Done! Connecting Gateway...",
                 "Done! Authentication in progress...", "Done! Opening Session...",
                 "Done! Sending Status Request...", "Request Sent! Waiting for Server reply...",
                 "Info Chunk received! Buffering...", "Acknowledgement sent...",
                 "Done! Releasing Session...", "Done! Parsing Data ...",
                 "Server Communication complete."}));
    EXPECT_EQ(stored(bravo), (Strings{"b2", "b1"}));
    // LoadInbox rebuilt the source's node, newest first.
    const TreeNode* node = tree_.findNode(bravo);
    ASSERT_EQ(node->childCount(), 2);
    EXPECT_EQ(node->child(0)->text(), "Title b2");
    EXPECT_FALSE(check_.IsBusy());
    EXPECT_TRUE(seam.boxes.empty());

    // Nothing new: no announcement, and a scheduled run shows neither busy window nor list.
    hooks_ = RecordingHooks{};
    runAll(false);
    EXPECT_EQ(check_.NotifyText, "");
    EXPECT_EQ(hooks_.events,
              (Strings{"tray busy", "tray busy", "tray busy", "tray idle", "unload"}));
    EXPECT_TRUE(hooks_.statuses.empty());

    // "Check" takes the selected source only, and nothing when a message is selected.
    ASSERT_TRUE(tree_.setSelectedNode(tree_.findNode(bravo)->child(0)));
    check_.QueueSources(tree_, false);
    EXPECT_TRUE(check_.CheckQueue().empty());
    ASSERT_TRUE(tree_.setSelectedNode(tree_.findNode(bravo)));
    check_.QueueSources(tree_, false);
    EXPECT_EQ(check_.CheckQueue(), std::deque<std::string>{"Bravo\x05" + bravoLink});
}

TEST_F(CheckRunTest, FailedFetchesStoreNothingAndShowTheEmptyDataBoxOnlyWhenInteractive) {
    test::LoopbackSocket silent;
    // A failed status is a failed fetch, however good the document that came with it.
    for (const std::string& link : {test::RefusingLink(), silent.url(),
                                    serve("404", OneItem("x"), "application/rss+xml", 404)}) {
        SCOPED_TRACE(link);
        const std::string id = add(link, link);
        for (bool interactive : {true, false}) {
            seam.clear();
            hooks_.statuses.clear();
            runOne(interactive, link, link);
            EXPECT_EQ(seam.captions(), interactive ? Strings{"Error!"} : Strings{});
            EXPECT_EQ(hooks_.statuses.empty() ? "" : hooks_.statuses.back(),
                      interactive ? "Error in reading Server Response!" : "");
            EXPECT_TRUE(stored(id).empty());
        }
    }
}

TEST_F(CheckRunTest, ServerCharsetReachesTheDecoder) {
    const std::string link = serve("latin1", test::TestData("encodings/latin1_undeclared.xml"),
                                   "text/xml; charset=ISO-8859-1");
    const std::string id = add("Latin", link);
    runOne(false, "Latin", link);
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
    EXPECT_EQ(hits("alpha"), 0);
}

TEST_F(CheckRunTest, EveryEntryIsFetchedButOnlySubscribedLinksAreMerged) {
    const std::string alpha = serve("alpha", OneItem("a1"));
    const std::string alphaId = add("Alpha", alpha);
    check_.InteractiveCheck = true;
    check_.QueueAdd("Alpha", alpha);
    check_.QueueAdd("Ghost", serve("ghost", OneItem("g1", "Tue, 06 Dec 2026")));
    check_.QueueAdd("Alpha", alpha);
    check_.ProcessQueue(tree_);
    EXPECT_EQ(hits("alpha"), 2);
    EXPECT_EQ(stored(alphaId), Strings{"a1"});
    EXPECT_EQ(check_.NotifyText, NewMessagesSentence(1, "Alpha"));
    // Nothing but the subscription list and Alpha's folder in the data folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(data), fs::directory_iterator()), 2);
}

TEST_F(CheckRunTest, SourcesAheadAreFetchedWhileMergingKeepsQueueOrder) {
    // The first source is slow: the others are fetched meanwhile, yet merged after it.
    server_.route("/A", [](const httplib::Request&, httplib::Response& response) {
        std::this_thread::sleep_for(300ms);
        response.set_content(OneItem("a1"), "application/rss+xml");
    });
    add("A", server_.url("/A"));
    const Strings names = {"A", "B", "C", "D", "E", "F"};
    std::string expected = NewMessagesSentence(1, "A");
    for (std::size_t i = 1; i < names.size(); ++i) {
        add(names[i], serve(names[i], OneItem(names[i])));
        expected += NewMessagesSentence(1, names[i]);
    }

    runAll(true);

    EXPECT_EQ(check_.NotifyText, expected);
    // B to E were asked for before A's reply was complete; F only once A was done.
    const Strings events = server_.events();
    auto at = [&](const std::string& what, const std::string& name) {
        return std::find(events.begin(), events.end(), what + "/" + name) - events.begin();
    };
    for (const char* name : {"B", "C", "D", "E"})
        EXPECT_LT(at("start ", name), at("end ", "A")) << name;
    EXPECT_GT(at("start ", "F"), at("end ", "A"));
}

}  // namespace
}  // namespace vellorin
