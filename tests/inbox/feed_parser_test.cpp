#include "inbox/feed_parser.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <tuple>
#include <utility>

#include "inbox/check_feed_server.h"
#include "inbox/inbox_store.h"
#include "inbox/inbox_world.h"
#include "view/message_header.h"
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

// An item with each text on a line of its own, one `step` deeper than the tags at `in`.
std::string PrettyItem(const std::string& in, const std::string& step, const std::string& guid,
                       const std::array<std::string, 4>& texts) {
    const std::string tags[] = {"title", guid, "pubDate", "description"};
    std::string out = "    <item>\n";
    for (int i = 0; i < 4; ++i) {
        if (!texts[i].empty())
            out += in + "<" + tags[i] + ">\n" + in + step + texts[i] + "\n" + in + "</" +
                   tags[i].substr(0, tags[i].find(' ')) + ">\n";
    }
    return out + "    </item>\n";
}
// A feed as most servers write it, the items not in date order, the last indented by tabs.
std::string PrettyFeed() {
    const std::string in = "      ", g = "guid isPermaLink=\"false\"", p = "&lt;p&gt;";
    return "<?xml version=\"1.0\"?>\n<rss version=\"2.0\">\n  <channel>\n    "
           "<title>Team</title>\n" +
           PrettyItem(in, "  ", g,
                      {"Server move", "team-3", "10 Dec 2026 07:15:00 GMT",
                       p + "The server moves tonight.&lt;/p&gt;"}) +
           PrettyItem(in, "  ", g,
                      {"Holiday rota", "team-1", "Mon, 07 Dec 2026 18:00:00 GMT",
                       p + "The rota is out.&lt;/p&gt;"}) +
           PrettyItem(in, "  ", g,
                      {"Fire drill", "", "08 Dec 2026 12:00 GMT",
                       p + "Leave by the east stairs.&lt;/p&gt;"}) +
           PrettyItem("\t\t", "\t", "guid",
                      {"Budget [draft]", "team-2", "Wed, 09 Dec 2026 23:59:59 +0100",
                       "<![CDATA[<p>See the sheet.</p>]]>"}) +
           "  </channel>\n</rss>\n";
}

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

TEST_F(ProcessFeedTest, ItemFieldsAreReadByExactNameAndNotInherited) {
    const std::string item =
        "<item><Title>wrong</Title><title>first</title><title>Tom &amp; Jerry &lt;3</title>"
        "<pubdate>Tue, 06 Dec 2026 09:00:00 GMT</pubdate>"
        "<pubDate>Mon, 05 Dec 2026 10:00:00 +0000</pubDate><GUID>no</GUID>"
        "<guid>g</guid><description>x [1]\ny ][ <![CDATA[<b>bold</b>]]> after</description>"
        "</item><item><guid>bare</guid></item>";
    ASSERT_EQ(mergeItems(item), 2);
    EXPECT_EQ(stored(), (Strings{"g", "bare"}));
    EXPECT_NE(file().find("description=x (1)\x05y )( <b>bold</b> after\r\n"), std::string::npos);
    InboxItem g = load("g");
    EXPECT_EQ(g.Title, "Tom & Jerry <3");  // the later of two titles
    EXPECT_EQ(g.Date + "|" + g.Time + "|" + g.Offset, "Mon, 05 Dec 2026|10:00:00|+0000");
    InboxItem bare = load("bare");  // starts from nothing
    EXPECT_EQ(bare.Title + bare.Description + bare.Date + bare.Time, "");
}

TEST_F(ProcessFeedTest, GuidLessItemsAreKeyedByDigestAndOddDatesKeptOnce) {
    const std::string item =
        "<item><title>Title</title><pubDate>Mon, 05 Dec 2026 08:56:31 GMT"
        "</pubDate><description>Body</description>";
    const std::string items = item + "</item>" + item + "<guid></guid></item>" +
                              RssItem("odd", "Odd", "sometime soon") + RssItem("none", "None", "");
    EXPECT_EQ(mergeItems(items), 3);
    EXPECT_EQ(stored(), (Strings{"fnv1a64:46e00a9f96544123", "odd", "none"}));
    InboxItem odd = load("odd");
    EXPECT_EQ(odd.Date + "|" + odd.Time + "|" + odd.Offset, "||sometime soon");
    EXPECT_EQ(mergeItems(items), 0);
    EXPECT_TRUE(seam.boxes.empty());
}

TEST_F(ProcessFeedTest, PrettyPrintedFeedsAreReadWithoutTheWhitespaceAroundTexts) {
    ASSERT_EQ(merge(PrettyFeed()).NewCount, 4);
    EXPECT_TRUE(seam.boxes.empty());
    const std::string drill = "fnv1a64:9fde3a5756d81b6f";
    EXPECT_EQ(stored(), (Strings{"team-3", "team-1", drill, "team-2"}));
    const std::tuple<std::string, std::string, std::string, std::string> items[] = {
        {"team-3", "Server move", "10 Dec 2026|07:15:00|GMT",
         "\r\n        <p>The server moves tonight.</p>\r\n      "},
        {"team-1", "Holiday rota", "Mon, 07 Dec 2026|18:00:00|GMT",
         "\r\n        <p>The rota is out.</p>\r\n      "},
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

    EXPECT_EQ(shown(false),
              (Strings{"Server move", "Budget [draft]", "Fire drill", "Holiday rota"}));

    auto pretty = [](const std::string& guid, const std::string& pubDate) {
        return "<item>\n  <title>\n    " + guid + "\n  </title>\n  <guid>\n\t" + guid +
               " &#13;\n  </guid>\n  <pubDate>\r\n    " + pubDate +
               "&#13;\n  </pubDate>\n  <description>body</description>\n</item>\n";
    };
    EXPECT_EQ(mergeItems(pretty("team-1", "Mon, 07 Dec 2026 18:00:00 GMT") +
                         pretty("team-4", "10 Dec 2026 07:15:00 GMT") +
                         pretty("team-5", "Thu, 10 Dec 2026 07:14:59 GMT") +
                         pretty("team-6", "10 Dec 2026 07:15:01 GMT")),
              1);
    EXPECT_EQ(stored(), (Strings{"team-3", "team-1", drill, "team-2", "team-6"}));
    EXPECT_EQ(load("team-6").Title, "team-6");
    EXPECT_EQ(merge(PrettyFeed()).NewCount, 0);
    EXPECT_TRUE(seam.boxes.empty());
}

TEST_F(ProcessFeedTest, APrettyPrintedFeedStoredByEarlierVersionsIsNotStoredAgain) {
    const std::string pad = "\n        ", end = "\n      ";
    const InboxItem earlier[] = {
        {pad + "Server move" + end, "b", pad + "10 Dec 2026", "07:15:00", "GMT" + end,
         pad + "team-3" + end, 0},
        {pad + "Holiday rota" + end, "b", pad + "Mon, 07 Dec 2026", "18:00:00", "GMT" + end,
         pad + "team-1" + end, 0},
        {pad + "Fire drill" + end, "b", pad + "08 Dec 2026", "12:00", "GMT" + end,
         "fnv1a64:9fde3a5756d81b6f", 0},
        {"\n\t\t\tBudget [draft]\n\t\t", "b", "\n\t\t\tWed, 09 Dec 2026", "23:59:59", "+0100\n\t\t",
         "\n\t\t\tteam-2\n\t\t", 0},
    };
    context.inbox.LoadLatestStamp();  // creates the source folder
    for (const InboxItem& item : earlier) {
        context.inbox.CurrentItem = item;
        ASSERT_TRUE(context.inbox.SaveItem());
    }
    EXPECT_EQ(merge(PrettyFeed()).NewCount, 0);
    EXPECT_EQ(stored().size(), 4u);
    EXPECT_TRUE(seam.boxes.empty());

    EXPECT_EQ(shown(true),
              (Strings{earlier[0].Guid, earlier[3].Guid, earlier[2].Guid, earlier[1].Guid}));
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

TEST_F(ProcessFeedTest, AnItemThatCouldNotBeSavedIsNotAnnounced) {
    fs::create_directories(inboxPath(kSource));  // a folder can be neither read nor written
    FeedMergeResult result = merge(RssDocument(kItemA + kItemB));
    EXPECT_EQ(result.items, 2);
    EXPECT_EQ(result.NewCount, 0);
    EXPECT_EQ(notify_, "");
}

TEST_F(ProcessFeedTest, FailuresShowTheirBoxOnlyInInteractiveRunsAndTouchNothing) {
    const std::string failed = "Process of checking for new Messages failed! ";
    const struct {
        std::string document;
        FeedStatus status;
        std::string caption, text;
    } cases[] = {
        {"", FeedStatus::EmptyData, "Error!", "Server returned empty Data stream."},
        {std::string(8, ' '), FeedStatus::EmptyData, "Error!",
         "Server returned empty Data stream."},
        {"\r\n\t", FeedStatus::InvalidData, "Server returned Invalid Data!",
         "Server returned data in invalid format."},
        {RssDocument(kItemA).substr(0, 60), FeedStatus::InvalidData,
         "Server returned Invalid Data!", "Server returned data in invalid format."},
        {"<?xml version=\"1.0\"?><feed "
         "xmlns=\"http://www.w3.org/2005/Atom\"><entry><title>T</title>"
         "<id>a</id><summary>S</summary></entry></feed>",
         FeedStatus::UnsupportedFormat, "Server returned Data in unsupported format!",
         "Data returned by Server is not in expected format."},
        {"<rss><body><channel>" + kItemA + "</channel></body></rss>", FeedStatus::UnsupportedFormat,
         "Server returned Data in unsupported format!",
         "Data returned by Server is not in expected format."},
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
        EXPECT_EQ(seam.boxes[0].text, failed + c.text);
        EXPECT_EQ(seam.boxes[0].icon, MsgIcon::Exclamation);
    }
    EXPECT_FALSE(fs::exists(data + "/" + kSource));
}

TEST_F(ProcessFeedTest, LargeAndDeepDocumentsAreReadWhole) {
    std::string many;
    for (int i = 1; i <= 1000; ++i)
        many += RssItem("bulk-" + std::to_string(i), "T", "Thu, 01 Jan 2026 00:00:00 +0000");
    EXPECT_EQ(mergeItems(many), 1000);
    EXPECT_EQ(stored().size(), 1000u);

    context.inbox.CurrentSourceID = "{0A1B2C3D-0000-4000-8000-000000000002}";
    ASSERT_EQ(mergeItems("<item><guid>office-2</guid><description><![CDATA[<!-- header start:\n"
                         "from: &quot;Jane Roe&quot; &lt;jane@example.org&gt;<br />\n"
                         "subject: Weekly report<br />\nheader end --><style>p { margin: 0; }"
                         "</style>\n<p>The figures [see table 1] are attached.</p>]]></description>"
                         "</item>" +
                         kItemA),
              2);
    const MessageHeader header =
        ParseHeader(item(context.inbox.CurrentSourceID, "office-2").Description);
    EXPECT_EQ(header.FromName, "Jane Roe ");
    EXPECT_NE(header.Body.find("The figures (see table 1) are attached."), std::string::npos);

    std::string open, close;
    for (int i = 0; i < 200000; ++i)
        open += "<b>", close += "</b>";
    const std::string doc = "<rss><channel><item><guid>d</guid><description>" + open + "x" + close;
    EXPECT_EQ(merge(doc + "</description></item></channel></rss>").NewCount, 1);
    EXPECT_EQ(item(context.inbox.CurrentSourceID, "d").Description, "x");
}

}  // namespace
}  // namespace vellorin
