#include "view/message_header.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace vellorin {

void PrintTo(const MessageHeader& h, std::ostream* os) {
    *os << "{\"" << h.FromName << "\", \"" << h.FromEmail << "\", \"" << h.Subject << "\", \""
        << h.Date << "\", \"" << h.ReplyName << "\", \"" << h.ReplyEmail << "\", \"" << h.Body
        << "\"}";
}

namespace {

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
    const std::string code = "Your sign-in code is {7731}. It expires in 10 minutes.";
    const struct {
        std::string afterBlock, body;
    } cases[] = {
        {code, code},
        {"<p>" + code + "</p>", "<p>" + code + "</p>"},
        {"\r\n <style>p { margin: 0 }</style><p>{x}</p>", "</style><p>{x}</p>"},
        {"<STYLE type=\"text/css\">p{x}</STYLE>y", "</STYLE>y"},
        {"<style></style><p>{x}</p>", "<style></style><p>{x}</p>"},
        {"<styles>{x}", "<styles>{x}"},
        {"<p>a</p><style>p{x}</style>", "<p>a</p><style>p{x}</style>"},
        {"<style>no brace", "<style>no brace"},
        {"  ", "  "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.afterBlock);
        const MessageHeader h =
            ParseHeader("header start:\n" + kFull + "header end -->" + c.afterBlock);
        EXPECT_EQ(h.Body, c.body);
        EXPECT_EQ(h.Subject, "S\n");
    }
}

TEST(ParseHeaderTest, FollowsTheGrammarAndGivesSoundResultsForBrokenBlocks) {
    const std::string jane = "&quot;Jane&quot; &lt;b1&gt;", desk = "&quot;Desk&quot; &lt;b2&gt;";
    const std::string noClose = "header start:\n" + kFull + "header end\n<p>b</p>";
    struct Case {
        const char* name;
        std::string description;
        MessageHeader expected;  // FromName, FromEmail, Subject, Date, ReplyName, ReplyEmail, Body
    };
    const Case cases[] = {
        {"the service's layout",
         Service(jane, "S", desk),
         {"Jane ", "b1\n", "S\n", "D\n", "Desk ", "b2\n", kBody}},
        {"stored with CR LF",
         Service(jane, "S", desk, "\r\n"),
         {"Jane ", "b1\r\n", "S\r\n", "D\r\n", "Desk ", "b2\r\n", kBody}},
        {"labels found first anywhere",
         Service(jane, "UPDATE: x", "r"),
         {"Jane ", "b1\n", "UP", "x\ndate: D\n", "", "r\n", kBody}},
        {"entities decoded before tags go",
         Service(jane, "one&lt;br /&gt;two&lt;p&gt;", "r"),
         {"Jane ", "b1\n", "onetwo\n", "D\n", "", "r\n", kBody}},
        {"no brace after the block", "header start:\nheader end -->\n<p>p</p>", Body("\n<p>p</p>")},
        {"empty description", "", {}},
        {"no block at all", "<p>Just</p>", Body("<p>Just</p>")},
        {"markers match case", "HEADER START:\n" + kFull + "Header End -->x",
         Body("HEADER START:\n" + kFull + "Header End -->x")},
        {"no end marker", "header start:\n" + kFull + "<p>b</p>",
         Body("header start:\n" + kFull + "<p>b</p>")},
        {"no comment close", noClose, {"A ", "a\n", "S\n", "D\n", "R ", "r\n", noClose}},
        {"missing subject",
         "header start:\nfrom: \"A\" <a>\nheader end -->",
         {"A ", "a\n", "", "", "", "", ""}},
        {"a label at the block's end", "header start:\nfrom:header end -->", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ParseHeader(c.description), c.expected);
    }
}

}  // namespace
}  // namespace vellorin
