#include "view/message_page.h"

#include <gtest/gtest.h>
#include <cctype>
#include <string>
#include <vector>

#include "support/recording_seam.h"
#include "support/temp_dir.h"
#include "view/message_header.h"

namespace vellorin {
namespace {

using test::RecordingSeam;
using test::TempDir;

std::size_t Occurrences(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

MessageHeader Sample() {
    MessageHeader h;
    h.FromName = "Jane Roe";
    h.FromEmail = "box1";
    h.Subject = "Weekly report";
    h.Date = "Mon, 05 Dec 2026";
    h.ReplyName = "Desk";
    h.ReplyEmail = "box2";
    h.Body = "<p>Hello</p>";
    return h;
}

TEST(ShortTitleTest, KeepsFourPiecesOfLongTitles) {
    struct Case {
        std::string title;
        std::string expected;
    };
    const Case cases[] = {
        {"", ""},
        {"one", "one"},
        {"one two three four", "one two three four"},
        {"one two three four five", "one two three four ..."},
        {"one two three four five six", "one two three four ..."},
        {"a  b c d", "a  b c ..."},   // two blanks make an empty piece
        {"a b c d ", "a b c d ..."},  // so does a trailing blank
        {"    ", "    ..."},
        {"tab\tseparated words do not count as\tpieces", "tab\tseparated words do not ..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        EXPECT_EQ(ShortTitle(c.title), c.expected);
    }
}

TEST(FillTemplateTest, ReplacesTheSevenTokensInOrder) {
    struct Case {
        const char* name;
        std::string templateText;
        MessageHeader header;
        std::string expected;
    };
    MessageHeader noName = Sample();
    noName.FromName = "";
    MessageHeader blankName = Sample();
    blankName.FromName = "   ";
    MessageHeader descInSubject = Sample();
    descInSubject.Subject = "Re: DESC and desc";
    MessageHeader tokensInValues = Sample();
    tokensInValues.FromName = "SL";
    tokensInValues.Subject = "DT";
    tokensInValues.Body = "FN DT RT SL";
    MessageHeader markup = Sample();
    markup.Subject = "<b>\"x\" & y</b>";

    const Case cases[] = {
        {"sender line", "From: FN(FEML)", Sample(), "From: Jane Roe (box1)"},
        {"no sender name, no stray blank", "From: FN(FEML)", noName, "From: (box1)"},
        {"blank sender name counts as none", "From: FN(FEML)", blankName, "From: (box1)"},
        {"all fields", "FN|FEML|DT|RT|REML|SL|DESC", Sample(),
         "Jane Roe |box1|Mon, 05 Dec 2026|Desk|box2|Weekly report|<p>Hello</p>"},
        {"every occurrence", "SL-SL-SLSL", Sample(),
         "Weekly report-Weekly report-Weekly reportWeekly report"},
        {"letter case counts", "sl Sl sL fn desc Desc", Sample(), "sl Sl sL fn desc Desc"},
        {"tokens inside longer words are replaced too", "WIDTH", Sample(), "WIMon, 05 Dec 2026H"},
        {"an earlier value is searched by later steps", "SL", descInSubject,
         "Re: <p>Hello</p> and desc"},
        // "SL" from the name becomes the subject "DT", which no later step looks for.
        {"values are searched by later steps only", "FN", tokensInValues, "DT "},
        {"the body is inserted last and left alone", "DESC", tokensInValues, "FN DT RT SL"},
        {"values are not escaped", "<h1>SL</h1>", markup, "<h1><b>\"x\" & y</b></h1>"},
        {"empty template", "", Sample(), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FillTemplate(c.templateText, c.header), c.expected);
    }
}

TEST(FillTemplateTest, ValuesThatMultiplyEachOtherStopAtThePageLimit) {
    MessageHeader h;
    h.Subject = "DESC DESC DESC";
    h.Body = "0123456789";
    // The first occurrence fits, the other two would pass 25 bytes and stay as tokens.
    EXPECT_EQ(FillTemplate("SL", h, 25), "0123456789 DESC DESC");
    EXPECT_EQ(FillTemplate("SL", h, 34), "0123456789 0123456789 0123456789");

    // A hostile feed: a sender name full of "SL", a subject full of "DESC" and a large body.
    MessageHeader hostile;
    for (int i = 0; i < 200; ++i)
        hostile.FromName += "SL";
    for (int i = 0; i < 200; ++i)
        hostile.Subject += "DESC";
    hostile.Body.assign(64 << 10, 'b');
    const std::size_t limit = 1 << 20;
    std::string page = FillTemplate("FN", hostile, limit);
    EXPECT_LE(page.size(), limit);
    EXPECT_EQ(page.compare(0, hostile.Body.size(), hostile.Body), 0);
}

class RenderMessagePageTest : public ::testing::Test {
protected:
    std::string appFolder() const { return dir_.path() + "/app"; }
    std::string dataFolder() const { return dir_.path() + "/data"; }
    std::string pagePath() const { return dataFolder() + "/item.htm"; }
    void writeTemplate(const std::string& text) { dir_.write("app/view.tpl", text); }
    void writeOldPage() { dir_.write("data/item.htm", "old page"); }

    TempDir dir_;
    RecordingSeam seam_;
};

TEST_F(RenderMessagePageTest, WritesTheFilledTemplateAsItemHtm) {
    writeTemplate("<p>From: FN(FEML)</p>\r\nDESC");
    writeOldPage();
    std::optional<std::string> path = RenderMessagePage(seam_, appFolder(), dataFolder(), Sample());
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(*path, pagePath());
    EXPECT_EQ(TempDir::read(pagePath()), "<p>From: Jane Roe (box1)</p>\r\n<p>Hello</p>\r\n");
    EXPECT_TRUE(seam_.boxes.empty());

    // A trailing "/" on the folders makes no difference.
    path = RenderMessagePage(seam_, appFolder() + "/", dataFolder() + "/", MessageHeader{});
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(*path, pagePath());
    EXPECT_EQ(TempDir::read(pagePath()), "<p>From: ()</p>\r\n\r\n");
}

TEST_F(RenderMessagePageTest, MissingTemplateShowsTheBoxAndWritesNothing) {
    writeOldPage();
    for (const std::string& app : {appFolder(), std::string()}) {
        SCOPED_TRACE(app);
        seam_.clear();
        EXPECT_FALSE(RenderMessagePage(seam_, app, dataFolder(), Sample()).has_value());
        ASSERT_EQ(seam_.boxes.size(), 1u);
        EXPECT_EQ(seam_.boxes[0].caption, "Error!");
        EXPECT_EQ(seam_.boxes[0].text,
                  "Message details can't be shown. Required Data file to present item "
                  "description is missing! Please reinstall the application to resolve this "
                  "issue.");
        EXPECT_EQ(seam_.boxes[0].icon, MsgIcon::Critical);
        EXPECT_EQ(seam_.boxes[0].buttons, MsgButtons::OK);
        EXPECT_EQ(TempDir::read(pagePath()), "old page");
    }
    // A folder named view.tpl is not a template either.
    dir_.write("app/view.tpl/inner", "x");
    seam_.clear();
    EXPECT_FALSE(RenderMessagePage(seam_, appFolder(), dataFolder(), Sample()).has_value());
    EXPECT_EQ(seam_.captions(), std::vector<std::string>{"Error!"});
}

TEST_F(RenderMessagePageTest, EmptyTemplateRendersAnEmptyPage) {
    writeTemplate("");
    writeOldPage();
    ASSERT_TRUE(RenderMessagePage(seam_, appFolder(), dataFolder(), Sample()).has_value());
    EXPECT_EQ(TempDir::read(pagePath()), "\r\n");
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(RenderMessagePageTest, UnwritablePageIsReportedAndGivesNoPath) {
    writeTemplate("SL");
    // The data folder is missing, so item.htm cannot be written.
    EXPECT_FALSE(RenderMessagePage(seam_, appFolder(), dataFolder(), Sample()).has_value());
    EXPECT_EQ(seam_.captions(), std::vector<std::string>{"Error !"});

    seam_.clear();
    EXPECT_FALSE(RenderMessagePage(seam_, appFolder(), "", Sample()).has_value());
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST(ShippedTemplateTest, UsesEachTokenOnlyWhereIntended) {
    RecordingSeam seam;
    const std::string resources = VELLORIN_RESOURCES_DIR;
    const std::string text = TempDir::read(resources + "/view.tpl");
    ASSERT_FALSE(text.empty());

    // Where the tokens stand: the subject also titles the page.
    struct Use {
        std::string token;
        std::size_t count;
    };
    const Use uses[] = {{"FN", 1},   {"FEML", 1}, {"DT", 1},  {"RT", 1},
                        {"REML", 1}, {"SL", 2},   {"DESC", 1}};
    for (const Use& u : uses)
        EXPECT_EQ(Occurrences(text, u.token), u.count) << u.token;

    MessageHeader marked;
    marked.FromName = "@from-name@";
    marked.FromEmail = "@from-email@";
    marked.Date = "@date@";
    marked.ReplyName = "@reply-name@";
    marked.ReplyEmail = "@reply-email@";
    marked.Subject = "@subject@";
    marked.Body = "@body@";
    std::string page = FillTemplate(text, marked);
    EXPECT_EQ(Occurrences(page, "<td>@from-name@ &lt;@from-email@&gt;</td>"), 1u);
    EXPECT_EQ(Occurrences(page, "<td>@reply-name@&lt;@reply-email@&gt;</td>"), 1u);
    EXPECT_EQ(Occurrences(page, "<td>@date@</td>"), 1u);
    EXPECT_EQ(Occurrences(page, "<title>@subject@</title>"), 1u);
    EXPECT_EQ(Occurrences(page, "@subject@"), 2u);
    EXPECT_EQ(Occurrences(page, "@body@"), 1u);
    // Nothing else of the template was taken for a token: only single capitals remain.
    for (std::size_t i = 1; i < page.size(); ++i) {
        bool upperPair = std::isupper(static_cast<unsigned char>(page[i - 1])) &&
                         std::isupper(static_cast<unsigned char>(page[i]));
        EXPECT_FALSE(upperPair) << "at " << i << ": " << page.substr(i - 1, 10);
    }
    EXPECT_EQ(page.size() - text.size(), marked.FromName.size() + 1 + marked.FromEmail.size() +
                                             marked.Date.size() + marked.ReplyName.size() +
                                             marked.ReplyEmail.size() + 2 * marked.Subject.size() +
                                             marked.Body.size() - (2 + 4 + 2 + 2 + 4 + 2 * 2 + 4));

    // And the shipped file renders through the whole path.
    TempDir data;
    auto path = RenderMessagePage(seam, resources, data.path(), marked);
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(TempDir::read(*path), page + "\r\n");
}

}  // namespace
}  // namespace vellorin
