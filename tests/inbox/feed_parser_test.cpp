#include "inbox/feed_parser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "inbox/check_feed_server.h"
#include "inbox/inbox_names.h"
#include "inbox/inbox_snapshot.h"
#include "support/recording_seam.h"
#include "support/temp_dir.h"
#include "view/message_header.h"

namespace vellorin {
namespace {

namespace fs = std::filesystem;
using test::FeedData;
using test::RecordingSeam;
using test::RssDocument;
using test::RssItem;
using test::TempDir;

constexpr const char* kSource = "{0A1B2C3D-0000-4000-8000-000000000001}";
constexpr const char* kTitle = "Office news";

// --------------------------------------------------------------- SplitPubDate

TEST(SplitPubDateTest, CutsDateTimeAndOffset) {
    struct Case {
        const char* pubDate;
        const char* date;
        const char* time;
        const char* offset;
    } cases[] = {
        {"Mon, 05 Dec 2026 08:56:31 +0000", "Mon, 05 Dec 2026", "08:56:31", "+0000"},
        {"Mon, 05 Dec 2026 08:56 GMT", "Mon, 05 Dec 2026", "08:56", "GMT"},
        {"Tue, 06 Dec 2026 09:00:00 GMT", "Tue, 06 Dec 2026", "09:00:00", "GMT"},
        // Nothing follows the time, so nothing is removed: the offset repeats the time.
        {"Mon, 05 Dec 2026 08:56:31", "Mon, 05 Dec 2026", "08:56:31", "08:56:31"},
        {"5 Dec 2026 08:56:31 -0500", "5 Dec 2026", "08:56:31", "-0500"},
        // No colon, or no room before it for the date: nothing can be cut.
        {"Mon, 05 Dec 2026", "", "", "Mon, 05 Dec 2026"},
        {"", "", "", ""},
        {"8:56:31 GMT", "", "", "8:56:31 GMT"},
        // Cut where the hour should be, whatever stands there; never a failure.
        {"x 08:56:31", "x", "08:56:31", "08:56:31"},
        {"garbage: 12", "garb", "garbage: 1", "garbage: 12"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pubDate);
        std::string date = "old", time = "old", offset = "old";
        SplitPubDate(c.pubDate, date, time, offset);
        EXPECT_EQ(date, c.date);
        EXPECT_EQ(time, c.time);
        EXPECT_EQ(offset, c.offset);
    }
}

TEST(ItemDigestGuidTest, StableAndDistinctForEachField) {
    const std::string key = ItemDigestGuid("Title", "Mon, 05 Dec 2026 08:56:31 GMT", "Body");
    EXPECT_EQ(key, ItemDigestGuid("Title", "Mon, 05 Dec 2026 08:56:31 GMT", "Body"));
    EXPECT_EQ(key.rfind("fnv1a64:", 0), 0u);
    EXPECT_EQ(key.size(), 8u + 16u);
    // Keys are stored: the same item must keep its key from one version of the program to the
    // next, or it would be stored again.
    EXPECT_EQ(key, "fnv1a64:46e00a9f96544123");
    const std::string others[] = {
        ItemDigestGuid("Title", "Mon, 05 Dec 2026 08:56:31 GMT", "Body2"),
        ItemDigestGuid("Title2", "Mon, 05 Dec 2026 08:56:31 GMT", "Body"),
        ItemDigestGuid("Title", "Mon, 05 Dec 2026 08:56:32 GMT", "Body"),
        // Text moved from one field to the next is a different item.
        ItemDigestGuid("TitleB", "Mon, 05 Dec 2026 08:56:31 GMT", "ody"),
        ItemDigestGuid("", "Title", "Body"),
    };
    for (const auto& other : others)
        EXPECT_NE(other, key);
}

TEST(FeedFailureMessageTest, CaptionsAndTexts) {
    struct Case {
        FeedStatus status;
        const char* caption;
        const char* text;
    } cases[] = {
        {FeedStatus::EmptyData, "Error!",
         "Process of checking for new Messages failed! Server returned empty Data stream."},
        {FeedStatus::InvalidData, "Server returned Invalid Data!",
         "Process of checking for new Messages failed! Server returned data in invalid format."},
        {FeedStatus::UnsupportedFormat, "Server returned Data in unsupported format!",
         "Process of checking for new Messages failed! Data returned by Server is not in "
         "expected format."},
    };
    for (const auto& c : cases) {
        MessageBoxRequest box = FeedFailureMessage(c.status);
        EXPECT_EQ(box.caption, c.caption);
        EXPECT_EQ(box.text, c.text);
        EXPECT_EQ(box.icon, MsgIcon::Exclamation);
        EXPECT_EQ(box.buttons, MsgButtons::OK);
    }
}

// --------------------------------------------------------------- ProcessFeed

class ProcessFeedTest : public ::testing::Test {
protected:
    explicit ProcessFeedTest(std::string commandLine = "")
        : context_(AppOptions{dir_.path(), dir_.file("data"), std::move(commandLine), "vellorin"},
                   seam_, clock_) {
        context_.subscriptions.EnsureDataFolder();
        context_.inbox.CurrentSourceID = kSource;
    }

    FeedMergeResult merge(const std::string& document, bool interactive = true) {
        return ProcessFeed(context_, document, kTitle, interactive, notify_);
    }

    std::string sourceFolder() const { return dir_.file("data/") + kSource; }
    std::string inboxFile() const { return sourceFolder() + "/inbox.dat"; }

    // The guids stored, in file order.
    std::vector<std::string> stored() const {
        InboxSnapshot snapshot(inboxFile());
        std::vector<std::string> guids;
        for (std::string_view section : snapshot.sections())
            guids.push_back(GuidFromSectionName(section));
        return guids;
    }
    InboxItem load(const std::string& guid) {
        context_.inbox.CurrentItem = InboxItem{};
        context_.inbox.CurrentItem.Guid = guid;
        EXPECT_TRUE(context_.inbox.InboxItemAction(mInbox::LoadItem)) << guid;
        return context_.inbox.CurrentItem;
    }
    void remove(const std::string& guid) {
        context_.inbox.CurrentItem.Guid = guid;
        ASSERT_TRUE(context_.inbox.InboxItemAction(mInbox::DeleteItem));
    }

    TempDir dir_;
    RecordingSeam seam_;
    ManualClock clock_;
    AppContext context_;
    std::string notify_;
};

const std::string kItemA = RssItem("a", "A", "Tue, 06 Dec 2026 09:00:00 GMT");
const std::string kItemB = RssItem("b", "B", "Mon, 05 Dec 2026 10:00:00 GMT");

TEST_F(ProcessFeedTest, NewItemsAreStoredCountedAndAnnouncedOnce) {
    FeedMergeResult first = merge(RssDocument(kItemA + kItemB));
    EXPECT_EQ(first.status, FeedStatus::Merged);
    EXPECT_EQ(first.NewCount, 2);
    EXPECT_EQ(first.items, 2);
    EXPECT_EQ(stored(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(notify_, "You have 2 New Messages \r\n in Office news account.\r\n\r\n");

    // The same document again: both guids are stored, nothing changes.
    const std::string before = TempDir::read(inboxFile());
    FeedMergeResult second = merge(RssDocument(kItemA + kItemB));
    EXPECT_EQ(second.NewCount, 0);
    EXPECT_EQ(TempDir::read(inboxFile()), before);
    EXPECT_EQ(notify_, "You have 2 New Messages \r\n in Office news account.\r\n\r\n");
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(ProcessFeedTest, DeletedMessageComesBackOnlyWhenNewerThanEveryStoredOne) {
    ASSERT_EQ(merge(RssDocument(kItemA + kItemB)).NewCount, 2);

    remove("b");  // the older one
    EXPECT_EQ(merge(RssDocument(kItemA + kItemB)).NewCount, 0);
    EXPECT_EQ(stored(), (std::vector<std::string>{"a"}));

    ASSERT_EQ(merge(RssDocument(kItemB)).NewCount, 0);
    remove("a");  // now the newest stored is gone
    ASSERT_TRUE(stored().empty());
    ASSERT_EQ(merge(RssDocument(kItemB)).NewCount, 1);
    EXPECT_EQ(merge(RssDocument(kItemA + kItemB)).NewCount, 1);
    EXPECT_EQ(stored(), (std::vector<std::string>{"b", "a"}));
}

TEST_F(ProcessFeedTest, AllItemsAreComparedWithTheStampFromBeforeTheFeed) {
    // Oldest first: each item is later than the one before, but also the second and third are
    // compared with the same (empty) stamp.
    const std::string items = RssItem("1", "One", "Mon, 05 Dec 2026 08:00:00 GMT") +
                              RssItem("2", "Two", "Mon, 05 Dec 2026 07:00:00 GMT") +
                              RssItem("3", "Three", "Sun, 04 Dec 2026 23:00:00 GMT");
    EXPECT_EQ(merge(RssDocument(items)).NewCount, 3);
    // A later feed: only what is after 05 Dec 08:00:00 counts.
    const std::string later = RssItem("4", "Four", "Mon, 05 Dec 2026 08:00:00 GMT") +
                              RssItem("5", "Five", "Mon, 05 Dec 2026 08:00:01 GMT");
    EXPECT_EQ(merge(RssDocument(later)).NewCount, 1);
    EXPECT_EQ(stored().back(), "5");
}

TEST_F(ProcessFeedTest, DescriptionBracketsAndLineFeedsAreConverted) {
    ASSERT_EQ(
        merge(RssDocument(RssItem("g", "T", "Mon, 05 Dec 2026 08:56:31 +0000", "x [1]\ny ][")))
            .NewCount,
        1);
    const std::string file = TempDir::read(inboxFile());
    EXPECT_NE(file.find("description=x (1)\x05y )(\r\n"), std::string::npos) << file;
    InboxItem item = load("g");
    EXPECT_EQ(item.Description, "x (1)\r\ny )(");
    EXPECT_EQ(item.Date, "Mon, 05 Dec 2026");
    EXPECT_EQ(item.Time, "08:56:31");
    EXPECT_EQ(item.Offset, "+0000");
    EXPECT_EQ(item.Title, "T");
    EXPECT_EQ(item.Read, 0);
}

TEST_F(ProcessFeedTest, ChildNamesAreExactLaterOnesWinAndOthersAreIgnored) {
    const std::string item =
        "<item><Title>wrong</Title><title>first</title><title>second</title>"
        "<pubdate>Tue, 06 Dec 2026 09:00:00 GMT</pubdate>"
        "<pubDate>Mon, 05 Dec 2026 10:00:00 GMT</pubDate><author>x</author>"
        "<GUID>no</GUID><guid>g</guid><description>d</description></item>";
    ASSERT_EQ(merge(RssDocument(item)).NewCount, 1);
    EXPECT_EQ(stored(), (std::vector<std::string>{"g"}));
    InboxItem stored = load("g");
    EXPECT_EQ(stored.Title, "second");
    EXPECT_EQ(stored.Date, "Mon, 05 Dec 2026");
    EXPECT_EQ(stored.Time, "10:00:00");
}

TEST_F(ProcessFeedTest, ItemsDoNotInheritValuesOfThePreviousItem) {
    const std::string items = RssItem("full", "Full", "Mon, 05 Dec 2026 10:00:00 GMT", "body") +
                              "<item><guid>bare</guid></item>";
    ASSERT_EQ(merge(RssDocument(items)).NewCount, 2);
    InboxItem bare = load("bare");
    EXPECT_EQ(bare.Title, "");
    EXPECT_EQ(bare.Description, "");
    EXPECT_EQ(bare.Date, "");
    EXPECT_EQ(bare.Time, "");
}

TEST_F(ProcessFeedTest, ItemsWithoutGuidAreKeptOnceEach) {
    const std::string items =
        "<item><title>One</title><pubDate>Mon, 05 Dec 2026 10:00:00 GMT</pubDate>"
        "<description>first</description></item>"
        "<item><title>Two</title><pubDate>Mon, 05 Dec 2026 09:00:00 GMT</pubDate>"
        "<description>second</description><guid></guid></item>"
        // The same item twice in one feed.
        "<item><title>Two</title><pubDate>Mon, 05 Dec 2026 09:00:00 GMT</pubDate>"
        "<description>second</description></item>";
    FeedMergeResult first = merge(RssDocument(items));
    EXPECT_EQ(first.NewCount, 2);
    EXPECT_EQ(stored(), (std::vector<std::string>{
                            ItemDigestGuid("One", "Mon, 05 Dec 2026 10:00:00 GMT", "first"),
                            ItemDigestGuid("Two", "Mon, 05 Dec 2026 09:00:00 GMT", "second")}));
    EXPECT_EQ(merge(RssDocument(items)).NewCount, 0);
    EXPECT_EQ(stored().size(), 2u);
}

TEST_F(ProcessFeedTest, PubDateThatCannotBeCutIsStoredOnceWithEmptyDateAndTime) {
    const std::string items = RssItem("odd", "Odd", "sometime soon") + RssItem("none", "None", "") +
                              RssItem("dated", "Dated", "Mon, 05 Dec 2026 10:00:00 GMT");
    FeedMergeResult first = merge(RssDocument(items));
    EXPECT_EQ(first.NewCount, 3);
    InboxItem odd = load("odd");
    EXPECT_EQ(odd.Date, "");
    EXPECT_EQ(odd.Time, "");
    EXPECT_EQ(odd.Offset, "sometime soon");
    EXPECT_EQ(merge(RssDocument(items)).NewCount, 0);
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(ProcessFeedTest, UnreadableDateShowsTheIsNewBoxOnlyInInteractiveRuns) {
    ASSERT_EQ(merge(RssDocument(kItemB)).NewCount, 1);  // a stamp to compare with
    const std::string bad = RssItem("bad", "Bad", "Mon, 99 Foo 2026 10:00:00 GMT");

    EXPECT_EQ(merge(RssDocument(bad + kItemA), false).NewCount, 1);
    EXPECT_TRUE(seam_.boxes.empty());

    EXPECT_EQ(merge(RssDocument(bad)).NewCount, 0);
    ASSERT_EQ(seam_.boxes.size(), 1u);
    EXPECT_EQ(seam_.boxes[0].caption, "IsNew Function");
    EXPECT_EQ(seam_.boxes[0].icon, MsgIcon::Critical);
    EXPECT_EQ(seam_.boxes[0].text.rfind("Error on Line 0\r\n\r\n", 0), 0u);
    EXPECT_EQ(stored(), (std::vector<std::string>{"b", "a"}));
    // The inbox's own setting is back once the merge is over.
    EXPECT_TRUE(context_.inbox.interactive());
}

TEST_F(ProcessFeedTest, FailuresShowTheirBoxOnlyInInteractiveRunsAndTouchNothing) {
    struct Case {
        const char* name;
        std::string document;
        FeedStatus status;
    } cases[] = {
        {"empty", "", FeedStatus::EmptyData},
        {"only spaces", FeedData("only_spaces.txt"), FeedStatus::EmptyData},
        {"line breaks are not spaces", "\r\n\t", FeedStatus::InvalidData},
        {"html", "<html><body><p>Not found</body></html>", FeedStatus::InvalidData},
        {"plain text", "Service Unavailable", FeedStatus::InvalidData},
        {"cut off", RssDocument(kItemA).substr(0, 60), FeedStatus::InvalidData},
        {"rdf", FeedData("rdf_feed.xml"), FeedStatus::UnsupportedFormat},
        {"atom", FeedData("atom_feed.xml"), FeedStatus::UnsupportedFormat},
        {"channel not under rss",
         "<rss><body><channel><item><guid>x</guid></item></channel>"
         "</body></rss>",
         FeedStatus::UnsupportedFormat},
        {"rss without channel", "<rss version=\"2.0\"><item><guid>x</guid></item></rss>",
         FeedStatus::UnsupportedFormat},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool interactive : {false, true}) {
            seam_.clear();
            FeedMergeResult result = merge(c.document, interactive);
            EXPECT_EQ(result.status, c.status);
            EXPECT_EQ(result.NewCount, 0);
            EXPECT_EQ(notify_, "");
            if (interactive) {
                ASSERT_EQ(seam_.boxes.size(), 1u);
                EXPECT_EQ(seam_.boxes[0].caption, FeedFailureMessage(c.status).caption);
                EXPECT_EQ(seam_.boxes[0].text, FeedFailureMessage(c.status).text);
            } else {
                EXPECT_TRUE(seam_.boxes.empty());
            }
        }
    }
    EXPECT_FALSE(fs::exists(sourceFolder()));
}

TEST_F(ProcessFeedTest, ChannelIsFoundBelowRssAtAnyDepthAndMayBeEmpty) {
    FeedMergeResult empty = merge("<rss version=\"2.0\"><channel><title>x</title></channel></rss>");
    EXPECT_EQ(empty.status, FeedStatus::Merged);
    EXPECT_EQ(empty.NewCount, 0);
    EXPECT_TRUE(seam_.boxes.empty());
    EXPECT_TRUE(fs::is_directory(sourceFolder()));  // LoadLatestStamp made it
    EXPECT_EQ(notify_, "");

    FeedMergeResult nested =
        merge("<wrapper><other/><rss><channel>" + kItemA + "</channel></rss></wrapper>");
    EXPECT_EQ(nested.NewCount, 1);
    // Only the items of the first channel count, and only its direct item children.
    const std::string two = "<rss><channel><group>" + kItemB + "</group></channel><channel>" +
                            kItemB + "</channel></rss>";
    EXPECT_EQ(merge(two).items, 0);
}

TEST_F(ProcessFeedTest, EntitiesAndCdataReadAsText) {
    const std::string item =
        "<item><title>Tom &amp; Jerry &lt;3</title><guid>e</guid>"
        "<pubDate>Mon, 05 Dec 2026 10:00:00 GMT</pubDate>"
        "<description>before <![CDATA[<b>bold</b>]]> after</description></item>";
    ASSERT_EQ(merge(RssDocument(item)).NewCount, 1);
    InboxItem e = load("e");
    EXPECT_EQ(e.Title, "Tom & Jerry <3");
    EXPECT_EQ(e.Description, "before <b>bold</b> after");
}

TEST_F(ProcessFeedTest, ServiceFeedKeepsItsHeaderBlockReadable) {
    ASSERT_EQ(merge(FeedData("service_feed.xml")).NewCount, 2);
    InboxItem report = load("office-2");
    EXPECT_EQ(report.Title, "Weekly report");
    MessageHeader header = ParseHeader(report.Description);
    EXPECT_EQ(header.FromName, "Jane Roe ");
    EXPECT_EQ(header.FromEmail.substr(0, 16), "jane@example.org");
    EXPECT_EQ(header.Subject.substr(0, 13), "Weekly report");
    EXPECT_NE(header.Body.find("The figures (see table 1) are attached."), std::string::npos);
}

TEST_F(ProcessFeedTest, ThousandItemsAreAllStored) {
    FeedMergeResult result = merge(FeedData("thousand_items.xml"));
    EXPECT_EQ(result.items, 1000);
    EXPECT_EQ(result.NewCount, 1000);
    EXPECT_EQ(stored().size(), 1000u);
    EXPECT_EQ(notify_, "You have 1000 New Messages \r\n in Office news account.\r\n\r\n");
    EXPECT_EQ(merge(FeedData("thousand_items.xml")).NewCount, 0);
}

TEST_F(ProcessFeedTest, DeeplyNestedDocumentDoesNotExhaustTheStack) {
    std::string deep = "<rss><channel><item><guid>d</guid><description>";
    for (int i = 0; i < 200000; ++i)
        deep += "<b>";
    deep += "x";
    for (int i = 0; i < 200000; ++i)
        deep += "</b>";
    deep += "</description></item></channel></rss>";
    FeedMergeResult result = merge(deep);
    EXPECT_EQ(result.NewCount, 1);
    EXPECT_EQ(load("d").Description, "x");
}

class ProcessFeedDebugTest : public ProcessFeedTest {
protected:
    ProcessFeedDebugTest() : ProcessFeedTest("-debug") {}
};

TEST_F(ProcessFeedDebugTest, EveryItemNotStoredIsNew) {
    ASSERT_EQ(merge(RssDocument(kItemA)).NewCount, 1);
    EXPECT_EQ(merge(RssDocument(kItemA + kItemB)).NewCount, 1);  // b is older, yet new
}

}  // namespace
}  // namespace vellorin
