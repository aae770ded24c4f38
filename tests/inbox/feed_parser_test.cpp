#include "inbox/feed_parser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <utility>

#include "inbox/check_feed_server.h"
#include "inbox/inbox_store.h"
#include "inbox/inbox_world.h"
#include "view/tree_control.h"

namespace vellorin {
namespace {

namespace fs = std::filesystem;
using test::RssDocument;
using test::RssItem;
using test::Strings;

constexpr const char* kSource = "{0A1B2C3D-0000-4000-8000-000000000001}";
const std::string kItemA = RssItem("a", "A", "Tue, 06 Dec 2026 09:00:00 GMT");
const std::string kItemB = RssItem("b", "B", "Mon, 05 Dec 2026 10:00:00 GMT");

// A feed as most servers write it, the items not in date order, the last indented by tabs.
const std::string kPrettyFeed =
    "<?xml version=\"1.0\"?>\n<rss version=\"2.0\">\n  <channel>\n    <title>Team</title>\n"
    "    <item>\n      <title>\n        Server move\n      </title>\n"
    "      <guid isPermaLink=\"false\">\n        team-3\n      </guid>\n"
    "      <pubDate>\n        10 Dec 2026 07:15:00 GMT\n      </pubDate>\n      <description>\n"
    "        &lt;p&gt;The server moves tonight.&lt;/p&gt;\n      </description>\n    </item>\n"
    "    <item>\n      <title>\n        Fire drill\n      </title>\n      <pubDate>\n"
    "        08 Dec 2026 12:00 GMT\n      </pubDate>\n      <description>\n"
    "        &lt;p&gt;Leave by the east stairs.&lt;/p&gt;\n      </description>\n    </item>\n"
    "    <item>\n\t\t<title>\n\t\t\tBudget "
    "[draft]\n\t\t</title>\n\t\t<guid>\n\t\t\tteam-2\n\t\t</guid>\n"
    "\t\t<pubDate>\n\t\t\tWed, 09 Dec 2026 23:59:59 +0100\n\t\t</pubDate>\n\t\t<description>\n"
    "\t\t\t<![CDATA[<p>See the sheet.</p>]]>\n\t\t</description>\n    </item>\n  "
    "</channel>\n</rss>\n";

class ProcessFeedTest : public ::testing::Test, public test::InboxWorld {
protected:
    ProcessFeedTest() { context.inbox.CurrentSourceID = kSource; }

    FeedMergeResult merge(const std::string& document, bool interactive = true) {
        return ProcessFeed(context, document, "Office news", interactive, notify_);
    }
    int mergeItems(const std::string& items) { return merge(RssDocument(items)).NewCount; }
    Strings stored() const { return InboxWorld::stored(kSource); }
    InboxItem load(const std::string& guid) { return item(kSource, guid); }
    std::string file() const { return test::TempDir::read(inboxPath(kSource)); }
    // The source's messages in the tree: their texts, or their guids.
    Strings shown(bool guids) {
        TreeControl tree("tvMessages");
        tree.addRoot(kSource, "Team", kImageSource, kImageSource);
        context.inbox.LoadInbox(tree);
        Strings out;
        for (int i = 0; i < tree.findNode(kSource)->childCount(); ++i)
            out.push_back(guids ? tree.findNode(kSource)->child(i)->tag()
                                : tree.findNode(kSource)->child(i)->text());
        return out;
    }

    std::string notify_;
};

TEST_F(ProcessFeedTest, ItemsAreNewOnlyWhenLaterThanTheNewestStoredBeforeTheFeed) {
    const std::string items = kItemA + kItemB + RssItem("c", "C", "Sun, 04 Dec 2026 23:00:00 GMT");
    EXPECT_EQ(merge(RssDocument(items)).status, FeedStatus::Merged);
    EXPECT_EQ(notify_, "You have 3 New Messages \r\n in Office news account.\r\n\r\n");
    const std::string before = file();
    EXPECT_EQ(mergeItems(items), 0);
    EXPECT_EQ(file(), before);
    for (const char* guid : {"b", "a"}) {  // without the newest, b is later than every stored one
        context.inbox.CurrentItem.Guid = guid;
        ASSERT_TRUE(context.inbox.InboxItemAction(mInbox::DeleteItem));
    }
    EXPECT_EQ(mergeItems(kItemA + kItemB), 2);
    EXPECT_EQ(mergeItems(RssItem("d", "D", "Tue, 06 Dec 2026 09:00:00 GMT") +
                         RssItem("e", "E", "Tue, 06 Dec 2026 09:00:01 GMT")),
              1);
    EXPECT_EQ(stored(), (Strings{"c", "a", "b", "e"}));
}

TEST_F(ProcessFeedTest, ItemFieldsAreReadByExactNameAndGuidLessItemsKeyedByDigest) {
    const std::string guidLess =
        "<item><title>Title</title><pubDate>Mon, 05 Dec 2026 08:56:31 GMT"
        "</pubDate><description>Body</description>";
    const std::string items =
        "<item><Title>wrong</Title><title>first</title><title>Tom &amp; Jerry &lt;3</title>"
        "<pubdate>Tue, 06 Dec 2026 09:00:00 GMT</pubdate>"
        "<pubDate>Mon, 05 Dec 2026 10:00:00 +0000</pubDate><GUID>no</GUID>"
        "<guid>g</guid><description>x [1]\ny ][ <![CDATA[<b>bold</b>]]> after</description>"
        "</item><item><guid>bare</guid></item>" +
        guidLess + "</item>" + guidLess + "<guid></guid></item>" +
        RssItem("odd", "Odd", "sometime soon") + RssItem("none", "None", "");
    ASSERT_EQ(mergeItems(items), 5);
    EXPECT_EQ(stored(), (Strings{"g", "bare", "fnv1a64:46e00a9f96544123", "odd", "none"}));
    EXPECT_NE(file().find("description=x (1)\x05y )( <b>bold</b> after\r\n"), std::string::npos);
    InboxItem g = load("g");
    EXPECT_EQ(g.Title, "Tom & Jerry <3");  // the later of two titles
    EXPECT_EQ(g.Date + "|" + g.Time + "|" + g.Offset, "Mon, 05 Dec 2026|10:00:00|+0000");
    InboxItem bare = load("bare");  // starts from nothing
    EXPECT_EQ(bare.Title + bare.Description + bare.Date + bare.Time, "");
    InboxItem odd = load("odd");  // an odd date is kept as it came
    EXPECT_EQ(odd.Date + "|" + odd.Time + "|" + odd.Offset, "||sometime soon");
    EXPECT_EQ(mergeItems(items), 0);
    EXPECT_TRUE(seam.boxes.empty());
}

TEST_F(ProcessFeedTest, PrettyPrintedFeedsAreReadWithoutTheWhitespaceAroundTexts) {
    ASSERT_EQ(merge(kPrettyFeed).NewCount, 3);
    const std::string drill = "fnv1a64:9fde3a5756d81b6f";
    EXPECT_EQ(stored(), (Strings{"team-3", drill, "team-2"}));
    const std::tuple<std::string, std::string, std::string, std::string> items[] = {
        {"team-3", "Server move", "10 Dec 2026|07:15:00|GMT",
         "\r\n        <p>The server moves tonight.</p>\r\n      "},
        {drill, "Fire drill", "08 Dec 2026|12:00|GMT",
         "\r\n        <p>Leave by the east stairs.</p>\r\n      "},
        {"team-2", "Budget [draft]", "Wed, 09 Dec 2026|23:59:59|+0100", "<p>See the sheet.</p>"},
    };
    for (const auto& [guid, title, date, description] : items) {
        SCOPED_TRACE(guid);
        const InboxItem stored = load(guid);
        EXPECT_EQ(stored.Title, title);
        EXPECT_EQ(stored.Date + "|" + stored.Time + "|" + stored.Offset, date);
        EXPECT_EQ(stored.Description, description);  // kept as it came
    }

    EXPECT_EQ(shown(false), (Strings{"Server move", "Budget [draft]", "Fire drill"}));

    EXPECT_EQ(mergeItems("<item><guid>\n\tteam-2 &#13;\n</guid><title>T</title></item>"), 0);
    EXPECT_EQ(merge(kPrettyFeed).NewCount, 0);
    EXPECT_TRUE(seam.boxes.empty());
}

TEST_F(ProcessFeedTest, UnreadableDateShowsTheIsNewBoxOnlyInInteractiveRuns) {
    ASSERT_EQ(mergeItems(kItemB), 1);  // a stamp to compare with
    const std::string bad = RssItem("bad", "Bad", "Mon, 99 Foo 2026 10:00:00 GMT");
    EXPECT_EQ(merge(RssDocument(bad + kItemA), false).NewCount, 1);
    EXPECT_TRUE(seam.boxes.empty());
    EXPECT_EQ(mergeItems(bad), 0);
    EXPECT_EQ(seam.captions(), Strings{"IsNew Function"});
    EXPECT_TRUE(context.inbox.interactive());  // the inbox's own setting is back
}

TEST_F(ProcessFeedTest, FailuresShowTheirBoxOnlyInInteractiveRunsAndTouchNothing) {
    const std::string invalid = "Server returned Invalid Data!",
                      unsupported = "Server returned Data in unsupported format!";
    const struct {
        std::string document;
        FeedStatus status;
        std::string caption;
    } cases[] = {
        {"", FeedStatus::EmptyData, "Error!"},
        {std::string(8, ' '), FeedStatus::EmptyData, "Error!"},
        {"\r\n\t", FeedStatus::InvalidData, invalid},
        {RssDocument(kItemA).substr(0, 60), FeedStatus::InvalidData, invalid},
        {"<feed xmlns=\"http://www.w3.org/2005/Atom\"><entry><id>a</id></entry></feed>",
         FeedStatus::UnsupportedFormat, unsupported},
        {"<rss><body><channel>" + kItemA + "</channel></body></rss>", FeedStatus::UnsupportedFormat,
         unsupported},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.document.substr(0, 40));
        for (bool interactive : {false, true}) {
            seam.clear();
            EXPECT_EQ(merge(c.document, interactive).status, c.status);
            EXPECT_EQ(notify_, "");
            ASSERT_EQ(seam.boxes.size(), interactive ? 1u : 0u);
        }
        EXPECT_EQ(seam.boxes[0].caption, c.caption);
    }
    EXPECT_FALSE(fs::exists(data + "/" + kSource));
}

TEST_F(ProcessFeedTest, DeeplyNestedDocumentsAreReadWhole) {
    std::string open, close;
    for (int i = 0; i < 200000; ++i)
        open += "<b>", close += "</b>";
    const std::string doc = "<rss><channel><item><guid>d</guid><description>" + open + "x" + close;
    EXPECT_EQ(merge(doc + "</description></item></channel></rss>").NewCount, 1);
    EXPECT_EQ(load("d").Description, "x");
}

}  // namespace
}  // namespace vellorin
