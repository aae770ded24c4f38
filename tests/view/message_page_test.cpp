#include "view/message_page.h"

#include <gtest/gtest.h>

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

const MessageHeader kSample{"Jane Roe", "box1", "Weekly report", "Mon, 05 Dec 2026",
                            "Desk",     "box2", "<p>Hello</p>"};

MessageHeader With(std::string MessageHeader::*field, std::string value,
                   MessageHeader h = kSample) {
    h.*field = std::move(value);
    return h;
}

TEST(ShortTitleTest, KeepsFourPiecesOfLongTitles) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""},
        {"one two three four", "one two three four"},
        {"one two three four five six", "one two three four ..."},
        {"a  b c d", "a  b c ..."},   // two blanks make an empty piece
        {"a b c d ", "a b c d ..."},  // so does a trailing blank
        {"tab\tseparated words do not count as\tpieces", "tab\tseparated words do not ..."},
    };
    for (const auto& [title, expected] : cases)
        EXPECT_EQ(ShortTitle(title), expected) << title;
}

TEST(FillTemplateTest, ReplacesTheSevenTokensInOrder) {
    MessageHeader tokensInValues = With(&MessageHeader::FromName, "SL");
    tokensInValues.Subject = "DT";
    tokensInValues.Body = "FN DT RT SL";
    struct Case {
        const char* name;
        std::string templateText;
        MessageHeader header;
        std::string expected;
    };
    const Case cases[] = {
        {"all fields", "FN|FEML|DT|RT|REML|SL|DESC", kSample,
         "Jane Roe |box1|Mon, 05 Dec 2026|Desk|box2|Weekly report|<p>Hello</p>"},
        {"no sender name, no stray blank", "From: FN(FEML)", With(&MessageHeader::FromName, ""),
         "From: (box1)"},
        {"blank sender name counts as none", "From: FN(FEML)",
         With(&MessageHeader::FromName, "   "), "From: (box1)"},
        {"every occurrence", "SL-SLSL", kSample, "Weekly report-Weekly reportWeekly report"},
        {"letter case counts", "sl Sl fn desc Desc", kSample, "sl Sl fn desc Desc"},
        {"tokens inside longer words are replaced too", "WIDTH", kSample, "WIMon, 05 Dec 2026H"},
        {"an earlier value is searched by later steps", "SL",
         With(&MessageHeader::Subject, "Re: DESC and desc"), "Re: <p>Hello</p> and desc"},
        // "SL" from the name becomes the subject "DT", which no later step looks for.
        {"values are searched by later steps only", "FN", tokensInValues, "DT "},
        {"the body is inserted last and left alone", "DESC", tokensInValues, "FN DT RT SL"},
        {"values are not escaped", "<h1>SL</h1>", With(&MessageHeader::Subject, "<b>\"x\" & y</b>"),
         "<h1><b>\"x\" & y</b></h1>"},
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
    for (int i = 0; i < 200; ++i) {
        hostile.FromName += "SL";
        hostile.Subject += "DESC";
    }
    hostile.Body.assign(64 << 10, 'b');
    std::string page = FillTemplate("FN", hostile, 1 << 20);
    EXPECT_LE(page.size(), std::size_t{1} << 20);
    EXPECT_EQ(page.compare(0, hostile.Body.size(), hostile.Body), 0);
}

TEST(RenderMessagePageTest, WritesItemHtmFromTheTemplateOrReportsWhyNot) {
    TempDir dir;
    RecordingSeam seam;
    const std::string app = dir.file("app"), data = dir.file("data"), page = data + "/item.htm";
    dir.write("folder/view.tpl/inner", "x");  // a folder named view.tpl is no template
    struct Case {
        const char* name;
        std::string templateText, app, data;
        std::optional<std::string> page;  // nullopt: no path, the old page stays
        std::vector<std::string> captions;
    };
    const Case cases[] = {
        {"filled",
         "<p>From: FN(FEML)</p>\r\nDESC",
         app,
         data,
         "<p>From: Jane Roe (box1)</p>\r\n<p>Hello</p>\r\n",
         {}},
        {"folders with a trailing /", "SL", app + "/", data + "/", "Weekly report\r\n", {}},
        {"an empty template gives an empty page", "", app, data, "\r\n", {}},
        {"template missing", "SL", dir.path(), data, std::nullopt, {"Error!"}},
        {"no application folder", "SL", "", data, std::nullopt, {"Error!"}},
        {"template is a folder", "SL", dir.file("folder"), data, std::nullopt, {"Error!"}},
        {"page not writable", "SL", app, dir.file("none"), std::nullopt, {"Error !"}},
        {"no data folder", "SL", app, "", std::nullopt, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dir.write("app/view.tpl", c.templateText);
        dir.write("data/item.htm", "old page");
        seam.clear();
        std::optional<std::string> path = RenderMessagePage(seam, c.app, c.data, kSample);
        EXPECT_EQ(path, c.page ? std::optional<std::string>(page) : std::nullopt);
        EXPECT_EQ(TempDir::read(page), c.page.value_or("old page"));
        EXPECT_EQ(seam.captions(), c.captions);
        for (const MessageBoxRequest& box : seam.boxes) {
            if (box.caption != "Error!")
                continue;
            EXPECT_EQ(box.text,
                      "Message details can't be shown. Required Data file to present item "
                      "description is missing! Please reinstall the application to resolve this "
                      "issue.");
            EXPECT_EQ(box.icon, MsgIcon::Critical);
            EXPECT_EQ(box.buttons, MsgButtons::OK);
        }
    }
}

TEST(ShippedTemplateTest, UsesEachTokenOnlyWhereIntended) {
    const std::string resources = VELLORIN_RESOURCES_DIR;
    const std::string text = TempDir::read(resources + "/view.tpl");
    // No other text of the template can be taken for a token; the subject also titles the page.
    const std::pair<std::string, std::size_t> uses[] = {
        {"FN", 1}, {"FEML", 1}, {"DT", 1}, {"RT", 1}, {"REML", 1}, {"SL", 2}, {"DESC", 1}};
    for (const auto& [token, count] : uses)
        EXPECT_EQ(Occurrences(text, token), count) << token;

    const MessageHeader marked{"@from-name@",  "@from-email@",  "@subject@", "@date@",
                               "@reply-name@", "@reply-email@", "@body@"};
    RecordingSeam seam;
    TempDir data;
    std::optional<std::string> path = RenderMessagePage(seam, resources, data.path(), marked);
    ASSERT_TRUE(path.has_value());
    const std::string page = TempDir::read(*path);
    EXPECT_EQ(page, FillTemplate(text, marked) + "\r\n");
    for (const char* part :
         {"<td>@from-name@ &lt;@from-email@&gt;</td>", "<td>@reply-name@&lt;@reply-email@&gt;</td>",
          "<td>@date@</td>", "<title>@subject@</title>", "<td>@subject@</td>", "\n@body@\n"})
        EXPECT_EQ(Occurrences(page, part), 1u) << part;
}

}  // namespace
}  // namespace vellorin
