#include "view/message_header.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace vellorin {

void PrintTo(const MessageHeader& h, std::ostream* os) {
    *os << "{FromName=\"" << h.FromName << "\", FromEmail=\"" << h.FromEmail << "\", Subject=\""
        << h.Subject << "\", Date=\"" << h.Date << "\", ReplyName=\"" << h.ReplyName
        << "\", ReplyEmail=\"" << h.ReplyEmail << "\", Body=\"" << h.Body << "\"}";
}

namespace {

// A description as the service writes it: the block inside a comment, each line closed by
// "<br />" and `eol`, then a style element and the body.
std::string ServiceDescription(const std::string& from, const std::string& subject,
                               const std::string& date, const std::string& replyTo,
                               const std::string& eol = "\n") {
    return "<!-- header start:" + eol + "from: " + from + "<br />" + eol + "subject: " + subject +
           "<br />" + eol + "date: " + date + "<br />" + eol + "reply-to: " + replyTo + "<br />" +
           eol + "header end --><style>p { margin: 0 }</style><p>Hello</p>";
}

struct Case {
    const char* name;
    std::string description;
    MessageHeader expected;
};

MessageHeader Fields(std::string fromName, std::string fromEmail, std::string subject,
                     std::string date, std::string replyName, std::string replyEmail,
                     std::string body) {
    return {std::move(fromName),  std::move(fromEmail),  std::move(subject), std::move(date),
            std::move(replyName), std::move(replyEmail), std::move(body)};
}

const std::string kServiceBody = "</style><p>Hello</p>";

TEST(ParseHeaderTest, FollowsTheGrammarOfTheServiceBlock) {
    const Case cases[] = {
        {"the service's layout",
         ServiceDescription("&quot;Jane Roe&quot; &lt;box1&gt;", "Weekly report",
                            "Mon, 05 Dec 2026", "&quot;Desk&quot; &lt;box2&gt;"),
         Fields("Jane Roe ", "box1\n", "Weekly report\n", "Mon, 05 Dec 2026\n", "Desk ", "box2\n",
                kServiceBody)},
        {"stored descriptions come back with CR LF",
         ServiceDescription("&quot;Jane Roe&quot; &lt;box1&gt;", "Weekly report",
                            "Mon, 05 Dec 2026", "&quot;Desk&quot; &lt;box2&gt;", "\r\n"),
         Fields("Jane Roe ", "box1\r\n", "Weekly report\r\n", "Mon, 05 Dec 2026\r\n", "Desk ",
                "box2\r\n", kServiceBody)},
        {"an unquoted sender loses its first character",
         ServiceDescription("Jane &lt;box1&gt;", "s", "d", "r"),
         Fields("ane ", "box1\n", "s\n", "d\n", "", "r\n", kServiceBody)},
        {"without angle brackets everything is the address",
         ServiceDescription("&quot;box1&quot;", "s", "d", "Desk box2"),
         Fields("", "box1\n", "s\n", "d\n", "", "Desk box2\n", kServiceBody)},
        {"every > goes from the address, only the first < splits",
         ServiceDescription("&quot;A&quot; &lt;b&lt;c&gt;&gt;", "s", "d", "&lt;&lt;x&gt;"),
         Fields("A ", "b<c\n", "s\n", "d\n", "", "<x\n", kServiceBody)},
        {"a subject with the letters date ends before them",
         ServiceDescription("&quot;A&quot; &lt;a&gt;", "UpDATE of plans", "d", "r"),
         Fields("A ", "a\n", "Up", "d\n", "", "r\n", kServiceBody)},
        {"labels are found first anywhere in the block",
         ServiceDescription("&quot;A&quot; &lt;a&gt;", "Update: x", "Mon", "r"),
         Fields("A ", "a\n", "Up", "x\ndate: Mon\n", "", "r\n", kServiceBody)},
        {"the character after the start marker is skipped",
         "header start:subject: S\ndate: D\nheader end -->", Fields("", "", "", "D\n", "", "", "")},
        {"the date ends at the first reply, with or without -to",
         "header start:\ndate: D, reply soon\nreply-to: R\nheader end -->",
         Fields("", "", "", "D, ", "", "R\n", "")},
        {"labels in any letter case",
         "header start:\nFROM: \"A\" <a>\nSubject: S\nDATE: D\nReply-To: R <r>\nheader end -->",
         Fields("A ", "a\n", "S\n", "D\n", "R ", "r\n", "")},
        {"entities are decoded before tags are removed",
         ServiceDescription("&quot;A&quot; &lt;a&gt;", "one&lt;br /&gt;two&lt;p&gt;three&lt;/p&gt;",
                            "d", "r"),
         Fields("A ", "a\n", "onetwothree\n", "d\n", "", "r\n", kServiceBody)},
        {"quotes stay in subject and date",
         ServiceDescription("&quot;A&quot; &lt;a&gt;", "&quot;quoted&quot;", "&quot;d&quot;",
                            "&quot;R&quot; &lt;r&gt;"),
         Fields("A ", "a\n", "\"quoted\"\n", "\"d\"\n", "R ", "r\n", kServiceBody)},
        {"UTF-8 text keeps its positions",
         ServiceDescription("&quot;J\xc3\xb6rg \xc3\x9c\x62\x65r&quot; &lt;j\xc3\xb6@x&gt;",
                            "\xc3\x84nderung", "d", "r"),
         Fields("J\xc3\xb6rg \xc3\x9c\x62\x65r ", "j\xc3\xb6@x\n", "\xc3\x84nderung\n", "d\n", "",
                "r\n", kServiceBody)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ParseHeader(c.description), c.expected);
    }
}

TEST(ParseHeaderTest, BodyStartsAfterTheFirstBraceBehindTheEndMarker) {
    const Case cases[] = {
        {"style rule skipped", "header start:\nheader end --><style>a{}</style>B{x}",
         Fields("", "", "", "", "", "", "</style>B{x}")},
        {"no brace: all of it", "header start:\nheader end -->\n<p>plain</p>",
         Fields("", "", "", "", "", "", "\n<p>plain</p>")},
        {"braces before the marker do not count", "a}b header start:\nheader end -->xyz",
         Fields("", "", "", "", "", "", "xyz")},
        {"brace as the last character", "header end -->abc}", Fields("", "", "", "", "", "", "")},
        {"end marker without block", "<p>x</p>header end -->}rest",
         Fields("", "", "", "", "", "", "rest")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ParseHeader(c.description), c.expected);
    }
}

TEST(ParseHeaderTest, IncompleteBlocksGiveEmptyFieldsAndNeverFail) {
    const std::string full = "from: \"A\" <a>\nsubject: S\ndate: D\nreply-to: R <r>\n";
    const Case cases[] = {
        {"empty description", "", Fields("", "", "", "", "", "", "")},
        {"no block at all", "<p>Just <b>HTML</b></p>",
         Fields("", "", "", "", "", "", "<p>Just <b>HTML</b></p>")},
        {"markers are matched with letter case", "HEADER START:\n" + full + "Header End -->x",
         Fields("", "", "", "", "", "", "HEADER START:\n" + full + "Header End -->x")},
        {"only the start marker", "header start:", Fields("", "", "", "", "", "", "header start:")},
        {"start marker and one character", "header start:\n",
         Fields("", "", "", "", "", "", "header start:\n")},
        {"no end marker: no fields, whole body", "header start:\n" + full + "<p>b</p>",
         Fields("", "", "", "", "", "", "header start:\n" + full + "<p>b</p>")},
        {"block ends without the comment close: fields, but the body is everything",
         "header start:\n" + full + "header end\n<p>b</p>",
         Fields("A ", "a\n", "S\n", "D\n", "R ", "r\n",
                "header start:\n" + full + "header end\n<p>b</p>")},
        {"end marker before the start marker",
         "header end -->}body header start:\nfrom: \"A\" <a>\n",
         Fields("", "", "", "", "", "", "body header start:\nfrom: \"A\" <a>\n")},
        {"end marker right after the start marker", "header start:header end -->",
         Fields("", "", "", "", "", "", "")},
        {"missing subject: the sender runs to the end of the block",
         "header start:\nfrom: \"A\" <a>\nheader end -->", Fields("A ", "a\n", "", "", "", "", "")},
        {"missing date label and terminator",
         "header start:\nsubject: S\nreply-to: R\nheader end -->",
         Fields("", "", "S\nreply-to: R\n", "", "", "R\n", "")},
        {"missing reply terminator", "header start:\ndate: D\nheader end -->",
         Fields("", "", "", "D\n", "", "", "")},
        {"labels at the very end of the block", "header start:\nfrom:header end -->",
         Fields("", "", "", "", "", "", "")},
        {"labels in reverse order",
         "header start:\nreply-to: R <r>\ndate: D\nsubject: S\nfrom: \"A\" <a>\nheader end -->",
         Fields("A ", "a\n", "S\nfrom: \"A\" <a>\n", "D\nsubject: S\nfrom: \"A\" <a>\n", "R ",
                "r\ndate: D\nsubject: S\nfrom: A <a\n", "")},
        {"second block is ignored",
         "header start:\nsubject: one\nheader end -->header start:\nsubject: two\nheader end -->}",
         Fields("", "", "one\n", "", "", "", "")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ParseHeader(c.description), c.expected);
    }
}

TEST(ParseHeaderTest, HugeInputsAreCutInOnePass) {
    const std::string braces(1 << 20, '}');
    EXPECT_EQ(ParseHeader(braces).Body, braces);
    EXPECT_EQ(ParseHeader("header start:\nheader end -->" + braces).Body, braces.substr(1));

    // A 5 MB subject and a body of the same size.
    const std::string big(5 << 20, 'x');
    MessageHeader h =
        ParseHeader("header start:\nsubject: " + big + "\ndate: D\nheader end -->}" + big);
    EXPECT_EQ(h.Subject.size(), big.size() + 1);
    EXPECT_EQ(h.Date, "D\n");
    EXPECT_EQ(h.Body, big);
}

// Descriptions made of the grammar's own pieces in random order: whatever comes out, the body is
// a tail of the description and no field is longer than the description.
TEST(ParseHeaderTest, ShuffledMarkersAndLabelsNeverLeaveTheInput) {
    const char* pieces[] = {"header start:",
                            "header end",
                            " -->",
                            "header end -->",
                            "from:",
                            "subject: ",
                            "SUBJECT",
                            "date: ",
                            "reply-to: ",
                            "reply",
                            "}",
                            "<",
                            ">",
                            "\"",
                            "&quot;",
                            "&lt;",
                            "&gt;",
                            "<br />",
                            "<p>",
                            "</p>",
                            "x",
                            "\n",
                            " ",
                            "&"};
    std::mt19937 rng(1205);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> length(0, 40);
    for (int i = 0; i < 5000; ++i) {
        std::string d;
        for (int n = length(rng); n > 0; --n)
            d += pieces[piece(rng)];
        SCOPED_TRACE(d);
        MessageHeader h = ParseHeader(d);
        ASSERT_LE(h.Body.size(), d.size());
        ASSERT_EQ(d.compare(d.size() - h.Body.size(), h.Body.size(), h.Body), 0);
        for (const std::string* f :
             {&h.FromName, &h.FromEmail, &h.Subject, &h.Date, &h.ReplyName, &h.ReplyEmail})
            ASSERT_LE(f->size(), d.size());
    }
}

}  // namespace
}  // namespace vellorin
