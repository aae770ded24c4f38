#include "view/message_page.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/recording_seam.h"
#include "support/temp_dir.h"
#include "view/message_header.h"
#include "view/page_nesting.h"
#include "view/page_resources.h"

namespace vellorin {

namespace {

using test::TempDir;

const MessageHeader kSample{"Jane Roe", "box1", "Weekly report", "Mon, 05 Dec 2026",
                            "Desk",     "box2", "<p>Hello</p>"};

MessageHeader With(std::string MessageHeader::*field, std::string value) {
    MessageHeader h = kSample;
    h.*field = std::move(value);
    return h;
}

TEST(FillTemplateTest, ReplacesTheTemplatesTokensInOnePassAndStopsAtThePageLimit) {
    const std::tuple<std::string, MessageHeader, std::string> cases[] = {
        {"FN|FEML|DT|RT|REML|SL|DESC", kSample,
         "Jane Roe |box1|Mon, 05 Dec 2026|Desk|box2|Weekly report|<p>Hello</p>"},
        {"From: FN(FEML)", With(&MessageHeader::FromName, "   "), "From: (box1)"},
        {"SL-SLSL", kSample, "Weekly report-Weekly reportWeekly report"},
        {"sl Sl fn desc Desc", kSample, "sl Sl fn desc Desc"},  // letter case counts
        {"DT|SL", With(&MessageHeader::Date, "FN FEML RT REML SL"),
         "FN FEML RT REML SL|Weekly report"},
        {"FFNEML|REREML", With(&MessageHeader::FromName, ""), "FEML|REbox2"}};
    for (const auto& [templateText, header, expected] : cases)
        EXPECT_EQ(FillTemplate(templateText, header), expected) << templateText;

    MessageHeader h;
    h.Body = "0123456789";
    EXPECT_EQ(FillTemplate("DESC DESC DESC", h, 25), "0123456789 DESC DESC");
    EXPECT_EQ(FillTemplate("DESC DESC DESC", h, 34), "0123456789 0123456789 0123456789");
}

TEST(RenderMessagePageTest, WritesItemHtmFromTheTemplateOrReportsWhyNot) {
    TempDir dir;
    test::RecordingSeam seam;
    const std::string app = dir.file("app"), data = dir.file("data"), page = data + "/item.htm";
    // template, folders, the page (nullopt: no path, the old page stays), the boxes
    const std::tuple<std::string, std::string, std::string, std::optional<std::string>,
                     std::vector<std::string>>
        cases[] = {{"FN(FEML)\r\nDESC", app, data, "Jane Roe (box1)\r\n<p>Hello</p>\r\n", {}},
                   {"", app, data, "\r\n", {}},
                   {"SL", dir.path(), data, std::nullopt, {"Error!"}},        // no template
                   {"SL", app, dir.file("none"), std::nullopt, {"Error !"}},  // page not writable
                   {"SL", app, "", std::nullopt, {}}};                        // no data folder
    for (const auto& [templateText, appFolder, dataFolder, written, captions] : cases) {
        dir.write("app/view.tpl", templateText);
        dir.write("data/item.htm", "old page");
        seam.clear();
        EXPECT_EQ(RenderMessagePage(seam, appFolder, dataFolder, kSample),
                  written ? std::optional<std::string>(page) : std::nullopt);
        EXPECT_EQ(TempDir::read(page), written.value_or("old page")) << templateText;
        EXPECT_EQ(seam.captions(), captions);
    }
}

// A description as the service writes it, each header line closed by "<br />" and `eol`.
std::string Service(const std::string& from, const std::string& subject, const std::string& replyTo,
                    const std::string& eol = "\n") {
    return "<!-- header start:" + eol + "from: " + from + "<br />" + eol + "subject: " + subject +
           "<br />" + eol + "date: D<br />" + eol + "reply-to: " + replyTo + "<br />" + eol +
           "header end --><style>p { margin: 0 }</style><p>Hello</p>";
}

const std::string kBody = "</style><p>Hello</p>";
const std::string kFull = "from: \"A\" <a>\nsubject: S\ndate: D\nreply-to: R <r>\n";

MessageHeader Body(std::string body) {
    MessageHeader h;
    h.Body = std::move(body);
    return h;
}

// The service puts a style rule before the body, which is dropped; any other body is kept whole.
TEST(ParseHeaderTest, DropsOnlyTheRuleOfALeadingStyleElement) {
    const std::pair<std::string, std::string> cases[] = {
        {"\r\n <style>p { margin: 0 }</style><p>{x}</p>", "</style><p>{x}</p>"},
        {"<STYLE type=\"text/css\">p{x}</STYLE>y", "</STYLE>y"},
        {"<style></style><p>{x}</p>", "<style></style><p>{x}</p>"},
        {"<styles>{x}", "<styles>{x}"},
        {"<style>no brace", "<style>no brace"}};
    for (const auto& [afterBlock, body] : cases) {
        const MessageHeader h =
            ParseHeader("header start:\n" + kFull + "header end -->" + afterBlock);
        EXPECT_EQ(h.Body, body);
        EXPECT_EQ(h.Subject, "S\n");
    }
}

TEST(ParseHeaderTest, FollowsTheGrammarAndGivesSoundResultsForBrokenBlocks) {
    const std::string jane = "&quot;Jane&quot; &lt;b1&gt;", desk = "&quot;Desk&quot; &lt;b2&gt;";
    const std::string noClose = "header start:\n" + kFull + "header end\n<p>b</p>";
    const auto parses = [](const std::string& description, const MessageHeader& expected) {
        EXPECT_EQ(ParseHeader(description), expected) << description;
    };
    // FromName, FromEmail, Subject, Date, ReplyName, ReplyEmail, Body
    parses(Service(jane, "S", desk), {"Jane ", "b1\n", "S\n", "D\n", "Desk ", "b2\n", kBody});
    parses(Service(jane, "S", desk, "\r\n"),
           {"Jane ", "b1\r\n", "S\r\n", "D\r\n", "Desk ", "b2\r\n", kBody});
    // Labels are found first anywhere; entities are decoded before tags go.
    parses(Service(jane, "UPDATE: x", "r"),
           {"Jane ", "b1\n", "UP", "x\ndate: D\n", "", "r\n", kBody});
    parses(Service(jane, "one&lt;br /&gt;two&lt;p&gt;", "r"),
           {"Jane ", "b1\n", "onetwo\n", "D\n", "", "r\n", kBody});
    parses("header start:\nheader end -->\n<p>p</p>", Body("\n<p>p</p>"));
    parses("", {});
    parses("<p>Just</p>", Body("<p>Just</p>"));
    for (const std::string& kept : {"HEADER START:\n" + kFull + "Header End -->x",  // case counts
                                    "header start:\n" + kFull + "<p>b</p>"})        // no end
        parses(kept, Body(kept));
    parses(noClose, {"A ", "a\n", "S\n", "D\n", "R ", "r\n", noClose});
    parses("header start:\nfrom: \"A\" <a>\nheader end -->", {"A ", "a\n", "", "", "", "", ""});
    parses("header start:\nfrom:header end -->", {});
}

std::string Repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

// Elements and tables deeper than the limits are unwrapped (html and body count); the text stays.
TEST(PageNestingTest, OnlyTooDeepMarkupIsFlattenedAndNoTextIsLost) {
    const NestingLimits limits{60, 3};
    const std::pair<std::string, bool> cases[] = {
        {"<p>Hello <b>you</b></p><table><tr><td>1</td></tr></table>TEXT", false},
        {Repeat("<div>", 58) + "TEXT", false},
        {Repeat("<div>", 59) + "TEXT", true},
        {Repeat("<table><tr><td>", 3) + "TEXT", false},
        {Repeat("<table><tr><td>", 4) + "TEXT", true},
        {Repeat("<div><span><b>", 3334) + "TEXT", true},
        {Repeat("<table><tr><td>", 1000) + "TEXT", true},
        {"<p><b>x<i>" + Repeat("<em>", 80) + "&bogus; TEXT</p></b>", true}};
    for (const auto& [html, flattened] : cases) {
        const auto flat = FlattenDeepNesting(html, limits);
        ASSERT_EQ(flat.has_value(), flattened) << html.substr(0, 60);
        if (flat) {
            EXPECT_NE(flat->find("TEXT"), std::string::npos);
            EXPECT_FALSE(FlattenDeepNesting(*flat, limits).has_value());
        }
    }
    EXPECT_FALSE(FlattenDeepNesting("", limits).has_value());
}

TEST(MayLoadPageResourceTest, DataYesFilesOnlyInsideTheFoldersNetworkNever) {
    TempDir dir;
    const std::string data = dir.path() + "/Vellorin Data";
    const std::string app = dir.path() + "/app";
    dir.write("Vellorin Data/pic.png", "p");
    dir.write("app/logo.png", "p");
    dir.write("Vellorin Data2/pic.png", "p");
    dir.write("outside.png", "p");
    std::filesystem::create_symlink(dir.file("outside.png"), data + "/escape.png");
    const std::vector<std::string> folders{data, app + "/"};

    const struct {
        PageResourceAddress address;
        bool allowed;
    } cases[] = {
        {{"DATA", "", ""}, true},
        {{"file", "", data + "/pic.png"}, true},
        {{"FILE", "localhost", app + "/logo.png"}, true},
        {{"file", "", app + "/missing/later.png"}, true},  // a missing file inside still counts
        {{"file", "", data}, true},
        {{"file", "", data + "/../outside.png"}, false},
        {{"file", "", data + "/escape.png"}, false},
        {{"file", "", dir.file("Vellorin Data2/pic.png")}, false},
        {{"file", "", dir.file("outside.png")}, false},
        {{"file", "", "pic.png"}, false},  // relative
        {{"file", "example.org", data + "/pic.png"}, false},
        {{"http", "127.0.0.1", "/x.png"}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MayLoadPageResource(c.address, folders), c.allowed)
            << c.address.scheme << "://" << c.address.host << c.address.path;
    }
    EXPECT_FALSE(MayLoadPageResource({"file", "", data + "/pic.png"}, {"", "relative"}));
}

}  // namespace
}  // namespace vellorin
