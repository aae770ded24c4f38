#include "view/message_header.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace vellorin {

void PrintTo(const MessageHeader& h, std::ostream* os) {
    *os << "{\"" << h.FromName << "\", \"" << h.FromEmail << "\", \"" << h.Subject << "\", \""
        << h.Date << "\", \"" << h.ReplyName << "\", \"" << h.ReplyEmail << "\", \"" << h.Body
        << "\"}";
}

namespace {

// A description as the service writes it: the block inside a comment, each line closed by
// "<br />" and `eol`, then a style element and the body.
std::string Service(const std::string& from, const std::string& subject, const std::string& date,
                    const std::string& replyTo, const std::string& eol = "\n") {
    return "<!-- header start:" + eol + "from: " + from + "<br />" + eol + "subject: " + subject +
           "<br />" + eol + "date: " + date + "<br />" + eol + "reply-to: " + replyTo + "<br />" +
           eol + "header end --><style>p { margin: 0 }</style><p>Hello</p>";
}

const std::string kBody = "</style><p>Hello</p>";

MessageHeader Body(std::string body) {
    MessageHeader h;
    h.Body = std::move(body);
    return h;
}
const std::string kFull = "from: \"A\" <a>\nsubject: S\ndate: D\nreply-to: R <r>\n";

TEST(ParseHeaderTest, FollowsTheGrammarAndGivesSoundResultsForBrokenBlocks) {
    struct Case {
        const char* name;
        std::string description;
        MessageHeader expected;  // FromName, FromEmail, Subject, Date, ReplyName, ReplyEmail, Body
    };
    const Case cases[] = {
        {"the service's layout",
         Service("&quot;Jane Roe&quot; &lt;box1&gt;", "Weekly report", "Mon, 05 Dec 2026",
                 "&quot;Desk&quot; &lt;box2&gt;"),
         {"Jane Roe ", "box1\n", "Weekly report\n", "Mon, 05 Dec 2026\n", "Desk ", "box2\n",
          kBody}},
        {"stored descriptions come back with CR LF",
         Service("&quot;J&quot; &lt;b1&gt;", "S", "D", "&quot;R&quot; &lt;b2&gt;", "\r\n"),
         {"J ", "b1\r\n", "S\r\n", "D\r\n", "R ", "b2\r\n", kBody}},
        {"an unquoted sender loses its first character",
         Service("Jane &lt;b&gt;", "s", "d", "r"),
         {"ane ", "b\n", "s\n", "d\n", "", "r\n", kBody}},
        {"without angle brackets everything is the address",
         Service("&quot;b&quot;", "s", "d", "Desk b2"),
         {"", "b\n", "s\n", "d\n", "", "Desk b2\n", kBody}},
        {"every > goes from the address, only the first < splits",
         Service("&quot;A&quot; &lt;b&lt;c&gt;&gt;", "s", "d", "&lt;&lt;x&gt;"),
         {"A ", "b<c\n", "s\n", "d\n", "", "<x\n", kBody}},
        {"a subject with the letters date ends before them",
         Service("&quot;A&quot; &lt;a&gt;", "UpDATE of plans", "d", "r"),
         {"A ", "a\n", "Up", "d\n", "", "r\n", kBody}},
        {"labels are found first anywhere in the block",
         Service("&quot;A&quot; &lt;a&gt;", "Update: x", "Mon", "r"),
         {"A ", "a\n", "Up", "x\ndate: Mon\n", "", "r\n", kBody}},
        {"the date ends at the first reply, with or without -to",
         "header start:\ndate: D, reply soon\nreply-to: R\nheader end -->",
         {"", "", "", "D, ", "", "R\n", ""}},
        {"the character after the start marker is skipped",
         "header start:subject: S\ndate: D\nheader end -->",
         {"", "", "", "D\n", "", "", ""}},
        {"labels in any letter case",
         "header start:\nFROM: \"A\" <a>\nSubject: S\nDATE: D\nReply-To: R <r>\nheader end -->",
         {"A ", "a\n", "S\n", "D\n", "R ", "r\n", ""}},
        {"entities are decoded before tags are removed; UTF-8 keeps its positions",
         Service("&quot;J\xc3\xb6rg&quot; &lt;j\xc3\xb6@x&gt;", "one&lt;br /&gt;two&lt;p&gt;", "d",
                 "r"),
         {"J\xc3\xb6rg ", "j\xc3\xb6@x\n", "onetwo\n", "d\n", "", "r\n", kBody}},
        // The body.
        {"no brace after the end marker: all of it", "header start:\nheader end -->\n<p>p</p>",
         Body("\n<p>p</p>")},
        {"braces before the end marker do not count", "a}b header start:\nheader end -->xyz",
         Body("xyz")},
        // Incomplete blocks.
        {"empty description", "", {}},
        {"no block at all", "<p>Just</p>", Body("<p>Just</p>")},
        {"markers are matched with letter case", "HEADER START:\n" + kFull + "Header End -->x",
         Body("HEADER START:\n" + kFull + "Header End -->x")},
        {"no end marker: no fields, whole body", "header start:\n" + kFull + "<p>b</p>",
         Body("header start:\n" + kFull + "<p>b</p>")},
        {"block ends without the comment close: fields, but the body is everything",
         "header start:\n" + kFull + "header end\n<p>b</p>",
         {"A ", "a\n", "S\n", "D\n", "R ", "r\n",
          "header start:\n" + kFull + "header end\n<p>b</p>"}},
        {"end marker before the start marker",
         "header end -->}body header start:\nfrom: \"A\" <a>\n",
         Body("body header start:\nfrom: \"A\" <a>\n")},
        {"missing subject: the sender runs to the end of the block",
         "header start:\nfrom: \"A\" <a>\nheader end -->",
         {"A ", "a\n", "", "", "", "", ""}},
        {"missing date label",
         "header start:\nsubject: S\nreply-to: R\nheader end -->",
         {"", "", "S\nreply-to: R\n", "", "", "R\n", ""}},
        {"labels at the very end of the block", "header start:\nfrom:header end -->", {}},
        {"second block is ignored",
         "header start:\nsubject: one\nheader end -->header start:\nsubject: two\nheader end -->}",
         {"", "", "one\n", "", "", "", ""}},
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
    std::vector<std::string> pieces;
    const std::string all =
        "header start:|header end| -->|header end -->|from:|subject: |SUBJECT|"
        "date: |reply-to: |reply|}|<|>|\"|&quot;|&lt;|&gt;|<br />|<p>|</p>|x|\n| |&";
    for (std::size_t at = 0, bar; at <= all.size(); at = bar + 1) {
        bar = std::min(all.find('|', at), all.size());
        pieces.push_back(all.substr(at, bar - at));
    }
    std::mt19937 rng(1205);
    std::uniform_int_distribution<std::size_t> piece(0, pieces.size() - 1);
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
