#include "inbox/check_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/app_context.h"
#include "inbox/check_feed_server.h"
#include "inbox/feed_parser.h"
#include "inbox/inbox_names.h"
#include "inbox/inbox_snapshot.h"
#include "inbox/online_state.h"
#include "support/event_seam.h"
#include "support/recording_seam.h"
#include "support/temp_dir.h"
#include "view/tree_control.h"

namespace vellorin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::EncodingData;
using test::FeedData;
using test::FeedServer;
using test::RawReplyServer;
using test::RssDocument;
using test::RssItem;
using test::SilentSocket;
using test::TempDir;

using test::EventSeam;

// The busy window, tray icon and tray alert as a check run drives them.
class RecordingHooks : public CheckRunHooks {
public:
    void lstQueueAddItem(const std::string& title) override {
        lstQueue.push_back(title);
        events.push_back("list+ " + title);
    }
    void lstQueueRemoveFirst() override {
        if (!lstQueue.empty())
            lstQueue.erase(lstQueue.begin());
        events.push_back("list-");
    }
    void showBusy(const std::string& title) override {
        events.push_back("busy " + title);
        listsShown.push_back(lstQueue);
    }
    void lblStatus(const std::string& text) override { statuses.push_back(text); }
    void unloadBusy() override { events.push_back("unload"); }
    void setTrayBusy(bool busy) override { events.push_back(busy ? "tray busy" : "tray idle"); }
    void ucTrayAlert(const std::string& text, int displayMs) override {
        events.push_back("alert");
        alerts.push_back(text);
        alertMs = displayMs;
    }

    std::vector<std::string> events;
    std::vector<std::string> lstQueue;
    std::vector<std::vector<std::string>> listsShown;
    std::vector<std::string> statuses;
    std::vector<std::string> alerts;
    int alertMs = 0;
};

class EnabledRecorder : public TreeObserver {
public:
    void enabledChanged(bool enabled) override { changes.push_back(enabled); }
    std::vector<bool> changes;
};

std::string Item(const std::string& guid, const std::string& date) {
    return RssItem(guid, "Title " + guid, date);
}

class CheckRunTest : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        test::PrepareLocalHttp();
        server_ = new FeedServer;
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }

    CheckRunTest()
        : context_(AppOptions{dir_.path(), dir_.file("data"), "", "vellorin"}, seam_, clock_),
          check_(context_.check),
          prefix_("/" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                  "/") {
        context_.subscriptions.EnsureDataFolder();
        context_.online.setOverride(true);
        check_.setHooks(&hooks_);
        check_.transferOptions.connectTimeout = 1s;
        check_.transferOptions.totalTimeout = 2s;
    }

    // The helpers are public so that the tables of cases can use them.
    static FeedServer& server() { return *server_; }
    // A path on the shared server that belongs to this test alone.
    std::string path(const std::string& name) const { return prefix_ + name; }
    std::string serve(const std::string& name, const std::string& document,
                      const std::string& contentType = "application/rss+xml", int status = 200) {
        server().serve(path(name), document, contentType, status);
        return server().url(path(name));
    }

    // Subscribes a source and gives its identifier; the tree is loaded again.
    std::string subscribe(const std::string& title, const std::string& link) {
        mSubscriptions& subscriptions = context_.subscriptions;
        EXPECT_TRUE(subscriptions.AddSource(title, link));
        subscriptions.CurrentSource.Link = link;
        EXPECT_TRUE(subscriptions.SourceAction(mSubscriptions::LoadSource));
        subscriptions.LoadSubscriptions(tree_);
        return subscriptions.CurrentSource.ID;
    }

    void runAll(bool interactive) {
        check_.InteractiveCheck = interactive;
        check_.QueueSources(tree_, true);
        check_.ProcessQueue(tree_);
    }

    std::vector<std::string> stored(const std::string& id) const {
        InboxSnapshot snapshot(dir_.file("data/" + id + "/inbox.dat"));
        std::vector<std::string> guids;
        for (std::string_view section : snapshot.sections())
            guids.push_back(GuidFromSectionName(section));
        return guids;
    }
    std::vector<std::string> messageTexts(const std::string& id) const {
        std::vector<std::string> texts;
        if (const TreeNode* node = tree_.findNode(id)) {
            for (int i = 0; i < node->childCount(); ++i)
                texts.push_back(node->child(i)->text());
        }
        return texts;
    }

protected:
    inline static FeedServer* server_ = nullptr;
    TempDir dir_;
    EventSeam seam_;
    ManualClock clock_;
    AppContext context_;
    mCheck& check_;
    RecordingHooks hooks_;
    TreeControl tree_{"tvMessages"};
    std::string prefix_;
};

TEST_F(CheckRunTest, OnlyTheSourceWithNewMessagesIsAnnouncedOnceAtTheEnd) {
    const std::string alpha =
        serve("alpha", RssDocument(Item("a1", "Mon, 05 Dec 2026 08:00:00 GMT")));
    const std::string bravo = serve("bravo", RssDocument(""));
    const std::string charlie =
        serve("charlie", RssDocument(Item("c1", "Mon, 05 Dec 2026 08:00:00 GMT")));
    subscribe("Alpha", alpha);
    const std::string bravoId = subscribe("Bravo", bravo);
    subscribe("Charlie", charlie);
    runAll(false);  // Alpha and Charlie have their messages now
    hooks_ = RecordingHooks{};

    serve("bravo", RssDocument(Item("b2", "Tue, 06 Dec 2026 09:00:00 GMT") +
                               Item("b1", "Mon, 05 Dec 2026 10:00:00 GMT")));
    runAll(true);

    const std::string expected = "You have 2 New Messages \r\n in Bravo account.\r\n\r\n";
    EXPECT_EQ(check_.NotifyText, expected);
    ASSERT_EQ(hooks_.alerts, std::vector<std::string>{expected});
    EXPECT_EQ(hooks_.alertMs, 6000);
    EXPECT_EQ(hooks_.events,
              (std::vector<std::string>{"list+ Alpha", "list+ Bravo", "list+ Charlie", "tray busy",
                                        "busy Alpha", "list-", "tray busy", "busy Bravo", "list-",
                                        "tray busy", "busy Charlie", "list-", "tray idle", "unload",
                                        "alert"}));
    EXPECT_EQ(hooks_.listsShown,
              (std::vector<std::vector<std::string>>{
                  {"Alpha", "Bravo", "Charlie"}, {"Bravo", "Charlie"}, {"Charlie"}}));
    EXPECT_EQ(stored(bravoId), (std::vector<std::string>{"b2", "b1"}));
    // LoadInbox rebuilt the source's node, newest first.
    EXPECT_EQ(messageTexts(bravoId), (std::vector<std::string>{"Title b2", "Title b1"}));
    EXPECT_TRUE(check_.CheckQueue().empty());
    EXPECT_FALSE(check_.IsBusy());
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(CheckRunTest, RunWithNothingNewShowsNothingAndKeepsNoText) {
    subscribe("Alpha", serve("alpha", RssDocument(Item("a1", "Mon, 05 Dec 2026 08:00:00 GMT"))));
    runAll(false);
    EXPECT_EQ(hooks_.alerts.size(), 1u);
    runAll(false);
    EXPECT_EQ(check_.NotifyText, "");
    EXPECT_EQ(hooks_.alerts.size(), 1u);
    // A scheduled run shows neither the busy window nor its list.
    EXPECT_EQ(std::count(hooks_.events.begin(), hooks_.events.end(), "busy Alpha"), 0);
    EXPECT_TRUE(hooks_.lstQueue.empty());
    EXPECT_TRUE(hooks_.statuses.empty());
}

struct FailureCase {
    const char* name;
    // Sets up what the source's link points at and gives the link.
    std::function<std::string(CheckRunTest&)> link;
    const char* caption;  // the box of an interactive run; nullptr for none
    std::size_t stored;
    const char* title = nullptr;  // the first stored message's title, when checked
};

class CheckRunFailureTest : public CheckRunTest {
protected:
    void expectCase(const FailureCase& c) {
        SCOPED_TRACE(c.name);
        const std::string link = c.link(*this);
        const std::string id = subscribe(c.name, link);
        for (bool interactive : {true, false}) {
            SCOPED_TRACE(interactive ? "interactive" : "scheduled");
            seam_.clear();
            check_.InteractiveCheck = interactive;
            check_.QueueAdd(c.name, link);
            check_.ProcessQueue(tree_);
            if (interactive && c.caption) {
                EXPECT_EQ(seam_.captions(), std::vector<std::string>{c.caption});
            } else {
                EXPECT_EQ(seam_.captions(), std::vector<std::string>{});
            }
            EXPECT_EQ(stored(id).size(), c.stored);
            EXPECT_TRUE(check_.CheckQueue().empty());
        }
        if (c.title) {
            context_.inbox.CurrentSourceID = id;
            context_.inbox.CurrentItem.Guid = stored(id).at(0);
            ASSERT_TRUE(context_.inbox.InboxItemAction(mInbox::LoadItem));
            EXPECT_EQ(context_.inbox.CurrentItem.Title, c.title);
        }
    }
};

constexpr const char* kEmpty = "Error!";
constexpr const char* kInvalid = "Server returned Invalid Data!";
constexpr const char* kUnsupported = "Server returned Data in unsupported format!";
const std::string kHtmlPage = "<html><head><title>Oops</title></head><body><p>Oops</body></html>";

TEST_F(CheckRunFailureTest, FailedTransfersGoOnAsEmptyData) {
    SilentSocket silent;
    RawReplyServer cutOff(
        "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: 5000\r\n\r\n"
        "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>half");
    check_.transferOptions.totalTimeout = 1s;
    const FailureCase cases[] = {
        {"refused", [](CheckRunTest&) { return test::RefusingLink(); }, kEmpty, 0},
        {"never answers", [&](CheckRunTest&) { return silent.url(); }, kEmpty, 0},
        {"cut off", [&](CheckRunTest&) { return cutOff.url(); }, kEmpty, 0},
        {"404 page", [](CheckRunTest& t) { return t.serve("404", kHtmlPage, "text/html", 404); },
         kEmpty, 0},
        {"500 page", [](CheckRunTest& t) { return t.serve("500", kHtmlPage, "text/html", 500); },
         kEmpty, 0},
        {"20 MB",
         [](CheckRunTest& t) { return t.serve("big", RssDocument(std::string(20u << 20, 'x'))); },
         kEmpty, 0},
        {"redirect loop",
         [](CheckRunTest& t) {
             const std::string loop = t.path("loop");
             server().route(loop, [loop](const httplib::Request&, httplib::Response& response) {
                 response.set_redirect(loop);
             });
             return server().url(loop);
         },
         kEmpty, 0},
    };
    for (const auto& c : cases)
        expectCase(c);
}

TEST_F(CheckRunFailureTest, DocumentsThatAreNotRssAreReportedInInteractiveRunsOnly) {
    const FailureCase cases[] = {
        {"only spaces",
         [](CheckRunTest& t) { return t.serve("spaces", FeedData("only_spaces.txt")); }, kEmpty, 0},
        {"html with 200", [](CheckRunTest& t) { return t.serve("html", kHtmlPage, "text/html"); },
         kInvalid, 0},
        {"rdf", [](CheckRunTest& t) { return t.serve("rdf", FeedData("rdf_feed.xml")); },
         kUnsupported, 0},
        {"atom", [](CheckRunTest& t) { return t.serve("atom", FeedData("atom_feed.xml")); },
         kUnsupported, 0},
    };
    for (const auto& c : cases)
        expectCase(c);
}

TEST_F(CheckRunFailureTest, FeedsArriveWhateverTheirTransferOrEncoding) {
    const FailureCase cases[] = {
        {"gzip",
         [](CheckRunTest& t) {
             const std::string gz = EncodingData("utf8.xml.gz");
             server().route(t.path("gzip"), [gz](const httplib::Request&, httplib::Response& r) {
                 r.set_header("Content-Encoding", "gzip");
                 r.set_content(gz, "application/rss+xml");
             });
             return server().url(t.path("gzip"));
         },
         nullptr, 1, "Caf\u00e9 \u20ac \u201cquoted\u201d \u65e5\u672c"},
        {"chunked",
         [](CheckRunTest& t) {
             const std::string body = FeedData("service_feed.xml");
             server().route(
                 t.path("chunked"), [body](const httplib::Request&, httplib::Response& r) {
                     r.set_chunked_content_provider(
                         "application/rss+xml", [body](size_t offset, httplib::DataSink& sink) {
                             if (offset < body.size()) {
                                 sink.write(body.data() + offset,
                                            std::min<size_t>(100, body.size() - offset));
                             } else {
                                 sink.done();
                             }
                             return true;
                         });
                 });
             return server().url(t.path("chunked"));
         },
         nullptr, 2, "Weekly report"},
        {"utf-8", [](CheckRunTest& t) { return t.serve("utf8", EncodingData("utf8.xml")); },
         nullptr, 1, "Caf\u00e9 \u20ac \u201cquoted\u201d \u65e5\u672c"},
        {"utf-16",
         [](CheckRunTest& t) { return t.serve("utf16", EncodingData("utf16le_bom.xml")); }, nullptr,
         1, "Caf\u00e9 \u20ac \u201cquoted\u201d \u65e5\u672c \U0001D11E"},
        {"iso-8859-1",
         [](CheckRunTest& t) { return t.serve("latin1", EncodingData("latin1.xml")); }, nullptr, 1,
         "Caf\u00e9 na\u00efve \u00df \u00bd"},
        {"windows-1252",
         [](CheckRunTest& t) { return t.serve("cp1252", EncodingData("windows1252.xml")); },
         nullptr, 1, "Caf\u00e9 \u20ac \u201cquoted\u201d \u2013 \u2122"},
        {"charset from the server only",
         [](CheckRunTest& t) {
             return t.serve("undeclared", EncodingData("latin1_undeclared.xml"),
                            "text/xml; charset=ISO-8859-1");
         },
         nullptr, 1, nullptr},
        {"1000 items",
         [](CheckRunTest& t) { return t.serve("thousand", FeedData("thousand_items.xml")); },
         nullptr, 1000, "Message 1"},
    };
    for (const auto& c : cases)
        expectCase(c);
}

TEST_F(CheckRunTest, OfflineRunQueuesNothingAndOnlyInteractiveRunsSaySo) {
    const std::string link =
        serve("alpha", RssDocument(Item("a1", "Mon, 05 Dec 2026 08:00:00 GMT")));
    subscribe("Alpha", link);
    context_.online.setOverride(false);

    runAll(false);
    EXPECT_TRUE(seam_.boxes.empty());
    EXPECT_TRUE(hooks_.events.empty());

    runAll(true);
    ASSERT_EQ(seam_.boxes.size(), 1u);
    EXPECT_EQ(seam_.boxes[0].caption, WorkingOfflineMessage().caption);
    EXPECT_TRUE(hooks_.events.empty());
    EXPECT_EQ(server().hits(path("alpha")), 0);
}

TEST_F(CheckRunTest, CurrentSourceOnlyWhenASourceNodeIsSelected) {
    const std::string alphaLink =
        serve("alpha", RssDocument(Item("a1", "Mon, 05 Dec 2026 08:00:00 GMT")));
    const std::string alphaId = subscribe("Alpha", alphaLink);
    subscribe("Bravo", serve("bravo", RssDocument(Item("b1", "Mon, 05 Dec 2026 08:00:00 GMT"))));
    runAll(false);
    hooks_ = RecordingHooks{};

    // A message node is selected: nothing is queued, the run ends at once.
    ASSERT_TRUE(tree_.setSelectedNode(tree_.findNode(alphaId)->child(0)));
    check_.InteractiveCheck = true;
    check_.QueueSources(tree_, false);
    EXPECT_TRUE(check_.CheckQueue().empty());
    check_.ProcessQueue(tree_);
    EXPECT_EQ(hooks_.events, (std::vector<std::string>{"tray idle", "unload"}));
    EXPECT_EQ(server().hits(path("alpha")), 1);

    ASSERT_TRUE(tree_.setSelectedNode(tree_.findNode(alphaId)));
    check_.QueueSources(tree_, false);
    ASSERT_EQ(check_.CheckQueue().size(), 1u);
    EXPECT_EQ(check_.CheckQueue()[0], "Alpha\x05" + alphaLink);
    check_.ProcessQueue(tree_);
    EXPECT_EQ(server().hits(path("alpha")), 2);
    EXPECT_EQ(server().hits(path("bravo")), 1);
}

TEST_F(CheckRunTest, SameLinkQueuedTwiceIsFetchedTwiceAndStoredOnce) {
    const std::string link =
        serve("alpha", RssDocument(Item("a1", "Mon, 05 Dec 2026 08:00:00 GMT")));
    const std::string id = subscribe("Alpha", link);
    check_.InteractiveCheck = true;
    check_.QueueAdd("Alpha", link);
    check_.QueueAdd("Alpha", link);
    check_.ProcessQueue(tree_);
    EXPECT_EQ(server().hits(path("alpha")), 2);
    EXPECT_EQ(stored(id), std::vector<std::string>{"a1"});
    EXPECT_EQ(check_.NotifyText, NewMessagesSentence(1, "Alpha"));
}

TEST_F(CheckRunTest, LinkNoLongerSubscribedIsSkipped) {
    const std::string alphaLink =
        serve("alpha", RssDocument(Item("a1", "Mon, 05 Dec 2026 08:00:00 GMT")));
    const std::string ghostLink =
        serve("ghost", RssDocument(Item("g1", "Tue, 06 Dec 2026 08:00:00 GMT")));
    const std::string alphaId = subscribe("Alpha", alphaLink);
    check_.InteractiveCheck = true;
    check_.QueueAdd("Alpha", alphaLink);
    check_.QueueAdd("Ghost", ghostLink);
    check_.ProcessQueue(tree_);
    EXPECT_EQ(stored(alphaId), std::vector<std::string>{"a1"});
    EXPECT_EQ(check_.NotifyText, NewMessagesSentence(1, "Alpha"));
    EXPECT_TRUE(seam_.boxes.empty());
    // Nothing but the subscription list and Alpha's folder in the data folder.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir_.file("data")))
        ++entries;
    EXPECT_EQ(entries, 2);
}

TEST_F(CheckRunTest, StatusTextsFollowTheTransferInInteractiveRunsOnly) {
    subscribe("Alpha", serve("alpha", RssDocument("")));
    runAll(false);
    EXPECT_TRUE(hooks_.statuses.empty());
    runAll(true);
    EXPECT_EQ(hooks_.statuses,
              (std::vector<std::string>{
                  "Resolving Host Route...", "Done! Connecting Gateway...",
                  "Done! Authentication in progress...", "Done! Opening Session...",
                  "Done! Sending Status Request...", "Request Sent! Waiting for Server reply...",
                  "Info Chunk received! Buffering...", "Acknowledgement sent...",
                  "Done! Releasing Session...", "Done! Parsing Data ...",
                  "Server Communication complete."}));

    hooks_.statuses.clear();
    subscribe("Bravo", test::RefusingLink());
    check_.InteractiveCheck = true;
    check_.QueueAdd("Bravo", context_.subscriptions.CurrentSource.Link);
    check_.ProcessQueue(tree_);
    ASSERT_FALSE(hooks_.statuses.empty());
    EXPECT_EQ(hooks_.statuses.back(), "Error in reading Server Response!");
}

TEST_F(CheckRunTest, SourcesAheadAreFetchedWhileMergingKeepsQueueOrder) {
    // The first source is slow: the others are fetched meanwhile, yet merged after it.
    const std::string slow = path("a-slow");
    server().route(slow, [](const httplib::Request&, httplib::Response& response) {
        std::this_thread::sleep_for(300ms);
        response.set_content(RssDocument(Item("a1", "Mon, 05 Dec 2026 08:00:00 GMT")),
                             "application/rss+xml");
    });
    subscribe("A", server().url(slow));
    const char* names[] = {"B", "C", "D", "E", "F"};
    for (const char* name : names)
        subscribe(name, serve(name, RssDocument(Item(name, "Mon, 05 Dec 2026 08:00:00 GMT"))));

    runAll(true);

    std::string expected;
    for (const char* name : {"A", "B", "C", "D", "E", "F"})
        expected += NewMessagesSentence(1, name);
    EXPECT_EQ(check_.NotifyText, expected);
    std::vector<std::string> busy;
    for (const auto& e : hooks_.events)
        if (e.rfind("busy ", 0) == 0)
            busy.push_back(e.substr(5));
    EXPECT_EQ(busy, (std::vector<std::string>{"A", "B", "C", "D", "E", "F"}));

    // B to E were asked for before A's reply was complete; F only once A was done.
    const std::vector<std::string> events = server().events();
    auto at = [&](const std::string& e) {
        return std::find(events.begin(), events.end(), e) - events.begin();
    };
    const auto slowEnd = at("end " + slow);
    for (const char* name : {"B", "C", "D", "E"})
        EXPECT_LT(at("start " + path(name)), slowEnd) << name;
    EXPECT_GT(at("start " + path("F")), slowEnd);
}

TEST_F(CheckRunTest, TriggerDuringARunJoinsItsQueueInsteadOfNesting) {
    const std::string alpha =
        serve("alpha", RssDocument(Item("a1", "Mon, 05 Dec 2026 08:00:00 GMT")));
    const std::string bravo =
        serve("bravo", RssDocument(Item("b1", "Mon, 05 Dec 2026 08:00:00 GMT")));
    subscribe("Alpha", alpha);
    subscribe("Bravo", bravo);
    EnabledRecorder enabled;
    tree_.addObserver(&enabled);
    seam_.onEvents = [&] {
        // "Check All" from the tray while the run is fetching.
        EXPECT_TRUE(check_.running());
        context_.scheduler.mnuMsgSourceCheckAll_Click(tree_);
    };

    context_.scheduler.mnuMsgSourceCheckAll_Click(tree_);
    tree_.removeObserver(&enabled);

    EXPECT_EQ(server().hits(path("alpha")), 2);
    EXPECT_EQ(server().hits(path("bravo")), 2);
    EXPECT_EQ(std::count(hooks_.events.begin(), hooks_.events.end(), "unload"), 1);
    ASSERT_EQ(hooks_.alerts.size(), 1u);
    EXPECT_EQ(hooks_.alerts[0], NewMessagesSentence(1, "Alpha") + NewMessagesSentence(1, "Bravo"));
    // The joined entries were listed too, and every line left the list again.
    EXPECT_EQ(std::count(hooks_.events.begin(), hooks_.events.end(), "list+ Alpha"), 2);
    EXPECT_TRUE(hooks_.lstQueue.empty());
    // The tree was disabled once, for the whole run.
    EXPECT_EQ(enabled.changes, (std::vector<bool>{false, true}));
    EXPECT_TRUE(tree_.enabled());
    EXPECT_FALSE(check_.running());
}

TEST_F(CheckRunTest, QueueEntriesSplitAtTheFirstSeparator) {
    EXPECT_EQ(QueueEntryTitle("Office news\x05http://x/a\x05"
                              "b"),
              "Office news");
    EXPECT_EQ(QueueEntryLink("Office news\x05http://x/a\x05"
                             "b"),
              "http://x/a\x05"
              "b");
    EXPECT_EQ(QueueEntryTitle("http://x/a"), "http://x/a");
    EXPECT_EQ(QueueEntryLink("http://x/a"), "http://x/a");
    EXPECT_EQ(QueueEntryLink("\x05"), "");
}

TEST_F(CheckRunTest, NothingEverQueuedMeansProcessQueueDoesNothing) {
    check_.NotifyText = "old";
    check_.ProcessQueue(tree_);
    EXPECT_TRUE(hooks_.events.empty());
    EXPECT_EQ(check_.NotifyText, "old");
}

}  // namespace
}  // namespace vellorin
