#include "inbox/feed_decoder.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace vellorin {
namespace {

using namespace std::string_literals;

std::string DataFile(const std::string& name) {
    return test::TempDir::read(std::string(VELLORIN_TEST_DATA) + "/encodings/" + name);
}

// The text of the first item's title, as the feed parser will read it.
std::string FirstItemTitle(const std::string& utf8) {
    pugi::xml_document document;
    if (!document.load_buffer(utf8.data(), utf8.size()))
        return "(not XML)";
    return document.select_node("//rss/channel/item/title").node().text().get();
}

TEST(DecodeFeedTest, SampleFeedsReadAlikeInEveryEncoding) {
    struct Case {
        std::string file;
        std::string httpCharset;
        std::string encoding;
        std::string title;
    };
    const std::vector<Case> cases = {
        {"utf8.xml", "", "UTF-8", "Café € “quoted” 日本"},
        // The mark outranks the declaration's ISO-8859-1.
        {"utf8_bom.xml", "", "UTF-8", "Café € “quoted” 日本"},
        {"utf16le_bom.xml", "", "UTF-16LE", "Café € “quoted” 日本 𝄞"},
        // No mark: the zero bytes tell the byte order.
        {"utf16be.xml", "", "UTF-16BE", "Café € “quoted” 日本 𝄞"},
        {"latin1.xml", "", "ISO-8859-1", "Café naïve ß ½"},
        {"latin1.xml", "UTF-8", "ISO-8859-1", "Café naïve ß ½"},
        {"latin1_undeclared.xml", "ISO-8859-1", "ISO-8859-1", "Café naïve ß ½"},
        {"windows1252.xml", "", "windows-1252", "Café € “quoted” – ™"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file + " / " + c.httpCharset);
        DecodedFeed feed = DecodeFeed(DataFile(c.file), c.httpCharset);
        EXPECT_EQ(feed.encoding, c.encoding);
        EXPECT_EQ(feed.replacements, 0u);
        EXPECT_EQ(FirstItemTitle(feed.text), c.title);
        EXPECT_NE(feed.text.compare(0, 3, "\xEF\xBB\xBF"), 0) << "mark left in the text";
    }
}

TEST(DecodeFeedTest, EncodingComesFromMarkThenDeclarationThenServerThenUtf8) {
    const std::string declLatin = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\x80\xE9</a>";
    const std::string declCp1252 =
        "<?xml version='1.0' encoding = 'windows-1252' ?><a>\x80\xE9</a>";
    const std::string undeclared = "<?xml version=\"1.0\"?><a>\x80\xE9</a>";
    const std::string bare = "<a>\x80\xE9</a>";
    struct Case {
        std::string name;
        std::string bytes;
        std::string httpCharset;
        std::string encoding;
        std::string content;  // what lies between <a> and </a>
    };
    const std::vector<Case> cases = {
        // 0x80 is a C1 control in ISO-8859-1 and the euro sign in windows-1252.
        {"declared latin-1", declLatin, "", "ISO-8859-1", "\u0080é"},
        {"declared windows-1252", declCp1252, "", "windows-1252", "€é"},
        {"declaration outranks server", declLatin, "windows-1252", "ISO-8859-1", "\u0080é"},
        {"server charset without declaration", undeclared, "windows-1252", "windows-1252", "€é"},
        {"server charset, no declaration at all", bare, "WINDOWS-1252", "WINDOWS-1252", "€é"},
        {"unknown declared name falls to server",
         "<?xml version=\"1.0\" encoding=\"x-no-such-set\"?><a>\x80\xE9</a>", "windows-1252",
         "windows-1252", "€é"},
        {"16-bit name on 8-bit bytes is passed over",
         "<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>\xE2\x82\xAC</a>", "", "UTF-8", "€"},
        {"16-bit server charset on 8-bit bytes is passed over", "<a>\xE2\x82\xAC</a>", "utf-16",
         "UTF-8", "€"},
        {"leading white space before the declaration", "\r\n  " + declCp1252, "", "windows-1252",
         "€é"},
        {"UTF-8 mark outranks everything",
         "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xE2\x82\xAC</a>",
         "windows-1252", "UTF-8", "€"},
        {"UTF-16BE mark", "\xFE\xFF\0<\0a\0>\x20\xAC\0<\0/\0a\0>"s, "ISO-8859-1", "UTF-16BE", "€"},
        {"UTF-32LE mark",
         "\xFF\xFE\0\0<\0\0\0a\0\0\0>\0\0\0\xAC\x20\0\0<\0\0\0/\0\0\0a\0\0\0>\0\0\0"s, "",
         "UTF-32LE", "€"},
        {"UTF-32BE mark",
         "\0\0\xFE\xFF\0\0\0<\0\0\0a\0\0\0>\0\0\x20\xAC\0\0\0<\0\0\0/\0\0\0a\0\0\0>"s, "",
         "UTF-32BE", "€"},
        {"UTF-16LE without mark", "<\0a\0>\0\xAC\x20<\0/\0a\0>\0"s, "", "UTF-16LE", "€"},
        {"nothing said: UTF-8", "<a>\xE2\x82\xAC</a>", "", "UTF-8", "€"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DecodedFeed feed = DecodeFeed(c.bytes, c.httpCharset);
        EXPECT_EQ(feed.encoding, c.encoding);
        std::size_t open = feed.text.find("<a>");
        std::size_t close = feed.text.find("</a>");
        ASSERT_NE(open, std::string::npos) << feed.text;
        ASSERT_NE(close, std::string::npos) << feed.text;
        EXPECT_EQ(feed.text.substr(open + 3, close - open - 3), c.content);
    }
}

TEST(DecodeFeedTest, DeclarationNamesUtf8AfterConversion) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a/>",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a/>"},
        {"<?xml version='1.0' encoding = 'latin1' standalone='yes'?><a/>",
         "<?xml version='1.0' encoding = 'UTF-8' standalone='yes'?><a/>"},
        {"<?xml version=\"1.0\" encoding=\"utf-8\"?><a/>",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a/>"},
        // Nothing to rewrite: no encoding, or not a declaration at the start.
        {"<?xml version=\"1.0\"?><a/>", "<?xml version=\"1.0\"?><a/>"},
        {"<a encoding=\"latin1\"/>", "<a encoding=\"latin1\"/>"},
        {"<?xml-stylesheet encoding=\"latin1\"?><a/>",
         "<?xml-stylesheet encoding=\"latin1\"?><a/>"},
    };
    for (const auto& [bytes, text] : cases) {
        SCOPED_TRACE(bytes);
        EXPECT_EQ(DecodeFeed(bytes).text, text);
    }
}

TEST(DecodeFeedTest, ParserReadsConvertedLatin1Once) {
    // pugixml would convert from Latin-1 itself if the declaration still said so, turning the
    // already converted "é" into "Ã©".
    DecodedFeed feed = DecodeFeed(DataFile("latin1.xml"));
    EXPECT_EQ(FirstItemTitle(feed.text), "Café naïve ß ½");
}

TEST(DecodeFeedTest, InvalidSequencesBecomeReplacementCharacters) {
    const std::string r = "\uFFFD";
    struct Case {
        std::string name;
        std::string bytes;
        std::string httpCharset;
        std::string text;
        std::size_t replacements;
    };
    const std::vector<Case> cases = {
        {"stray byte",
         "a\xFF"
         "b",
         "", "a" + r + "b", 1},
        {"lone continuation",
         "a\x80"
         "b",
         "", "a" + r + "b", 1},
        {"overlong slash", "\xC0\xAF", "", r + r, 2},
        {"truncated at the end", "x\xE2\x82", "", "x" + r, 1},
        {"truncated in the middle", "\xE2\x82x", "", r + "x", 1},
        {"surrogate", "\xED\xA0\x80", "", r + r + r, 3},
        {"past U+10FFFF", "\xF4\x90\x80\x80", "", r + r + r + r, 4},
        {"valid four-byte character", "\xF0\x9D\x84\x9E", "", "\xF0\x9D\x84\x9E", 0},
        {"UTF-16 lone surrogate",
         "\xFF\xFE"
         "a\0\x00\xD8"
         "b\0"s,
         "", "a" + r + "b", 1},
        {"UTF-16 odd last byte",
         "\xFF\xFE"
         "a\0b"s,
         "", "a" + r, 1},
        {"byte windows-1252 leaves undefined",
         "\x81"
         "a",
         "windows-1252", r + "a", 1},
        {"Shift_JIS truncated", "\x82", "Shift_JIS", r, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DecodedFeed feed = DecodeFeed(c.bytes, c.httpCharset);
        EXPECT_EQ(feed.text, c.text);
        EXPECT_EQ(feed.replacements, c.replacements);
    }
}

TEST(DecodeFeedTest, EmptyAndBlankInputStayAsTheyAre) {
    EXPECT_EQ(DecodeFeed("").text, "");
    EXPECT_EQ(DecodeFeed("").encoding, "UTF-8");
    EXPECT_EQ(DecodeFeed("   ").text, "   ");
    EXPECT_EQ(DecodeFeed("\xEF\xBB\xBF").text, "");
    EXPECT_EQ(DecodeFeed("\xFF\xFE").text, "");
}

TEST(DecodeFeedTest, LargeFeedConvertsCompletely) {
    // Many times the converter's working buffer, with a character of several bytes at every
    // possible split position.
    std::string latin;
    std::string expected;
    for (int i = 0; i < 100000; ++i) {
        latin += "ab\xE9";
        expected += "abé";
    }
    DecodedFeed feed = DecodeFeed(latin, "ISO-8859-1");
    EXPECT_EQ(feed.replacements, 0u);
    EXPECT_EQ(feed.text, expected);
}

}  // namespace
}  // namespace vellorin
