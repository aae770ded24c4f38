#include "inbox/feed_parser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "inbox/check_feed_server.h"
#include "inbox/inbox_world.h"
#include "view/message_header.h"

namespace vellorin {
namespace {

namespace fs = std::filesystem;
using test::RssDocument;
using test::RssItem;
using test::Strings;

constexpr const char* kSource = "{0A1B2C3D-0000-4000-8000-000000000001}";
const std::string kItemA = RssItem("a", "A", "Tue, 06 Dec 2026 09:00:00 GMT");
const std::string kItemB = RssItem("b", "B", "Mon, 05 Dec 2026 10:00:00 GMT");

TEST(SplitPubDateTest, CutsDateTimeAndOffset) {
    auto split = [](const char* pubDate) {
        std::string date = "old", time = "old", offset = "old";
        SplitPubDate(pubDate, date, time, offset);
        return date + "|" + time + "|" + offset;
    };
    EXPECT_EQ(split("Mon, 05 Dec 2026 08:56:31 +0000"), "Mon, 05 Dec 2026|08:56:31|+0000");
    EXPECT_EQ(split("Mon, 05 Dec 2026 08:56 GMT"), "Mon, 05 Dec 2026|08:56|GMT");
    // Nothing follows the time, so nothing is removed: the offset repeats the time.
    EXPECT_EQ(split("5 Dec 2026 08:56:31"), "5 Dec 2026|08:56:31|08:56:31");
    // No colon, or no room before it for the date: nothing can be cut.
    EXPECT_EQ(split("Mon, 05 Dec 2026"), "||Mon, 05 Dec 2026");
    EXPECT_EQ(split("8:56:31 GMT"), "||8:56:31 GMT");
    // Cut where the hour should be, whatever stands there; never a failure.
    EXPECT_EQ(split("garbage: 12"), "garb|garbage: 1|garbage: 12");
}

TEST(ItemDigestGuidTest, StableAndDistinctForEachField) {
    // Keys are stored: the same item must keep its key from one version of the program to the
    // next, or it would be stored again.
    const std::string key = ItemDigestGuid("Title", "Mon, 05 Dec 2026 08:56:31 GMT", "Body");
    EXPECT_EQ(key, "fnv1a64:46e00a9f96544123");
    EXPECT_NE(ItemDigestGuid("Title", "Mon, 05 Dec 2026 08:56:31 GMT", "Body2"), key);
    EXPECT_NE(ItemDigestGuid("Title", "Mon, 05 Dec 2026 08:56:32 GMT", "Body"), key);
    // Text moved from one field to the next is a different item.
    EXPECT_NE(ItemDigestGuid("TitleB", "Mon, 05 Dec 2026 08:56:31 GMT", "ody"), key);
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
    void remove(const std::string& guid) {
        context.inbox.CurrentItem.Guid = guid;
        ASSERT_TRUE(context.inbox.InboxItemAction(mInbox::DeleteItem));
    }
    std::string file() const { return test::TempDir::read(inboxPath(kSource)); }

    std::string notify_;
};

TEST_F(ProcessFeedTest, ItemsAreNewOnlyWhenLaterThanTheNewestStoredBeforeTheFeed) {
    // Each item is older than the one before, yet all are compared with the stamp from before
    // the feed (none yet).
    const std::string items = kItemA + kItemB + RssItem("c", "C", "Sun, 04 Dec 2026 23:00:00 GMT");
    EXPECT_EQ(merge(RssDocument(items)).status, FeedStatus::Merged);
    EXPECT_EQ(notify_, "You have 3 New Messages \r\n in Office news account.\r\n\r\n");
    const std::string before = file();
    EXPECT_EQ(mergeItems(items), 0);  // all stored: nothing changes, nothing is announced
    EXPECT_EQ(file(), before);
    EXPECT_EQ(notify_, "You have 3 New Messages \r\n in Office news account.\r\n\r\n");
    remove("b");  // an older one: it does not come back
    EXPECT_EQ(mergeItems(kItemA + kItemB), 0);
    remove("a");  // the newest: now b is later than every stored message
    EXPECT_EQ(mergeItems(kItemA + kItemB), 2);
    // Only what is after 06 Dec 09:00:00 counts.
    EXPECT_EQ(mergeItems(RssItem("d", "D", "Tue, 06 Dec 2026 09:00:00 GMT") +
                         RssItem("e", "E", "Tue, 06 Dec 2026 09:00:01 GMT")),
              1);
    EXPECT_EQ(stored(), (Strings{"c", "a", "b", "e"}));
}

TEST_F(ProcessFeedTest, ItemFieldsAreReadByExactNameAndNotInherited) {
    const std::string item =
        "<item><Title>wrong</Title><title>first</title><title>Tom &amp; Jerry &lt;3</title>"
        "<pubdate>Tue, 06 Dec 2026 09:00:00 GMT</pubdate>"
        "<pubDate>Mon, 05 Dec 2026 10:00:00 +0000</pubDate><author>x</author><GUID>no</GUID>"
        "<guid>g</guid><description>x [1]\ny ][ <![CDATA[<b>bold</b>]]> after</description>"
        "</item><item><guid>bare</guid></item>";
    ASSERT_EQ(mergeItems(item), 2);
    EXPECT_EQ(stored(), (Strings{"g", "bare"}));
    EXPECT_NE(file().find("description=x (1)\x05y )( <b>bold</b> after\r\n"), std::string::npos);
    InboxItem g = load("g");
    EXPECT_EQ(g.Title, "Tom & Jerry <3");  // the later of two titles
    EXPECT_EQ(g.Description, "x (1)\r\ny )( <b>bold</b> after");
    EXPECT_EQ(g.Date + "|" + g.Time + "|" + g.Offset, "Mon, 05 Dec 2026|10:00:00|+0000");
    // The next item starts from nothing.
    InboxItem bare = load("bare");
    EXPECT_EQ(bare.Title + bare.Description + bare.Date + bare.Time, "");
}

TEST_F(ProcessFeedTest, ItemsWithoutGuidAreKeptOnceEach) {
    const std::string two =
        "<item><title>Two</title><pubDate>Mon, 05 Dec 2026 09:00:00 GMT</pubDate>"
        "<description>second</description>";
    // The second item has an empty guid, and comes twice in one feed.
    const std::string items =
        "<item><title>One</title><pubDate>Mon, 05 Dec 2026 10:00:00 GMT</pubDate>"
        "<description>first</description></item>" +
        two + "<guid></guid></item>" + two + "</item>";
    EXPECT_EQ(mergeItems(items), 2);
    EXPECT_EQ(stored(),
              (Strings{ItemDigestGuid("One", "Mon, 05 Dec 2026 10:00:00 GMT", "first"),
                       ItemDigestGuid("Two", "Mon, 05 Dec 2026 09:00:00 GMT", "second")}));
    EXPECT_EQ(mergeItems(items), 0);
}

TEST_F(ProcessFeedTest, PubDateThatCannotBeCutIsStoredOnceWithEmptyDateAndTime) {
    const std::string items = RssItem("odd", "Odd", "sometime soon") + RssItem("none", "None", "");
    EXPECT_EQ(mergeItems(items + kItemB), 3);
    InboxItem odd = load("odd");
    EXPECT_EQ(odd.Date + "|" + odd.Time + "|" + odd.Offset, "||sometime soon");
    EXPECT_EQ(mergeItems(items), 0);
    EXPECT_TRUE(seam.boxes.empty());
}

TEST_F(ProcessFeedTest, UnreadableDateShowsTheIsNewBoxOnlyInInteractiveRuns) {
    ASSERT_EQ(mergeItems(kItemB), 1);  // a stamp to compare with
    const std::string bad = RssItem("bad", "Bad", "Mon, 99 Foo 2026 10:00:00 GMT");
    EXPECT_EQ(merge(RssDocument(bad + kItemA), false).NewCount, 1);
    EXPECT_TRUE(seam.boxes.empty());

    EXPECT_EQ(mergeItems(bad), 0);
    EXPECT_EQ(seam.captions(), Strings{"IsNew Function"});
    EXPECT_EQ(stored(), (Strings{"b", "a"}));
    // The inbox's own setting is back once the merge is over.
    EXPECT_TRUE(context.inbox.interactive());
}

TEST_F(ProcessFeedTest, AnItemThatCouldNotBeSavedIsNotAnnounced) {
    fs::create_directories(inboxPath(kSource));  // a folder can be neither read nor written
    FeedMergeResult result = merge(RssDocument(kItemA + kItemB));
    EXPECT_EQ(result.items, 2);
    EXPECT_EQ(result.NewCount, 0);
    EXPECT_EQ(notify_, "");
}

TEST_F(ProcessFeedTest, FailuresShowTheirBoxOnlyInInteractiveRunsAndTouchNothing) {
    const char* kEmpty[] = {
        "Error!",
        "Process of checking for new Messages failed! Server returned empty Data stream."};
    const char* kInvalid[] = {
        "Server returned Invalid Data!",
        "Process of checking for new Messages failed! Server returned data in invalid format."};
    const char* kUnsupported[] = {"Server returned Data in unsupported format!",
                                  "Process of checking for new Messages failed! Data returned by "
                                  "Server is not in expected format."};
    const struct {
        std::string document;
        FeedStatus status;
        const char** box;
    } cases[] = {
        {"", FeedStatus::EmptyData, kEmpty},
        {test::TestData("feeds/only_spaces.txt"), FeedStatus::EmptyData, kEmpty},
        {"\r\n\t", FeedStatus::InvalidData, kInvalid},  // line breaks are not spaces
        {RssDocument(kItemA).substr(0, 60), FeedStatus::InvalidData, kInvalid},
        {test::TestData("feeds/rdf_feed.xml"), FeedStatus::UnsupportedFormat, kUnsupported},
        {test::TestData("feeds/atom_feed.xml"), FeedStatus::UnsupportedFormat, kUnsupported},
        {"<rss><body><channel>" + kItemA + "</channel></body></rss>", FeedStatus::UnsupportedFormat,
         kUnsupported},
        {"<rss version=\"2.0\">" + kItemA + "</rss>", FeedStatus::UnsupportedFormat, kUnsupported},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.document.substr(0, 40));
        for (bool interactive : {false, true}) {
            seam.clear();
            EXPECT_EQ(merge(c.document, interactive).status, c.status);
            EXPECT_EQ(notify_, "");
            ASSERT_EQ(seam.boxes.size(), interactive ? 1u : 0u);
        }
        EXPECT_EQ(seam.boxes[0].caption, c.box[0]);
        EXPECT_EQ(seam.boxes[0].text, c.box[1]);
        EXPECT_EQ(seam.boxes[0].icon, MsgIcon::Exclamation);
    }
    EXPECT_FALSE(fs::exists(data + "/" + kSource));
}

TEST_F(ProcessFeedTest, ChannelIsFoundBelowRssAtAnyDepthAndMayBeEmpty) {
    FeedMergeResult empty = merge("<rss version=\"2.0\"><channel><title>x</title></channel></rss>");
    EXPECT_EQ(empty.status, FeedStatus::Merged);
    EXPECT_TRUE(seam.boxes.empty());
    EXPECT_TRUE(fs::is_directory(data + "/" + kSource));  // LoadLatestStamp made it

    EXPECT_EQ(merge("<w><other/><rss><channel>" + kItemA + "</channel></rss></w>").NewCount, 1);
    // Only the items of the first channel count, and only its direct item children.
    EXPECT_EQ(merge("<rss><channel><group>" + kItemB + "</group></channel><channel>" + kItemB +
                    "</channel></rss>")
                  .items,
              0);
}

TEST_F(ProcessFeedTest, LargeSampleAndDeepDocumentsAreReadWhole) {
    FeedMergeResult thousand = merge(test::TestData("feeds/thousand_items.xml"));
    EXPECT_EQ(thousand.NewCount, 1000);
    EXPECT_EQ(stored().size(), 1000u);
    EXPECT_EQ(notify_, "You have 1000 New Messages \r\n in Office news account.\r\n\r\n");

    // The service's header block survives the bracket conversion.
    context.inbox.CurrentSourceID = "{0A1B2C3D-0000-4000-8000-000000000002}";
    ASSERT_EQ(merge(test::TestData("feeds/service_feed.xml")).NewCount, 2);
    const MessageHeader header =
        ParseHeader(item(context.inbox.CurrentSourceID, "office-2").Description);
    EXPECT_EQ(header.FromName, "Jane Roe ");
    EXPECT_NE(header.Body.find("The figures (see table 1) are attached."), std::string::npos);

    // Nesting deep enough to exhaust a recursive parser's stack.
    std::string deep = "<rss><channel><item><guid>d</guid><description>";
    for (int i = 0; i < 200000; ++i)
        deep += "<b>";
    deep += "x";
    for (int i = 0; i < 200000; ++i)
        deep += "</b>";
    EXPECT_EQ(merge(deep + "</description></item></channel></rss>").NewCount, 1);
    EXPECT_EQ(item(context.inbox.CurrentSourceID, "d").Description, "x");
}

}  // namespace
}  // namespace vellorin
