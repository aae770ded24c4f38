#include "inbox/feed_decoder.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <string>

#include "inbox/check_feed_server.h"

namespace vellorin {
namespace {

using namespace std::string_literals;

TEST(DecodeFeedTest, SampleFeedsReadAlikeInEveryEncoding) {
    const struct {
        std::string file, httpCharset, encoding, title;
    } cases[] = {
        // The mark outranks the declaration's ISO-8859-1.
        {"utf8_bom.xml", "", "UTF-8", "Café € “quoted” 日本"},
        {"utf16le_bom.xml", "", "UTF-16LE", "Café € “quoted” 日本 𝄞"},
        // No mark: the zero bytes tell the byte order.
        {"utf16be.xml", "", "UTF-16BE", "Café € “quoted” 日本 𝄞"},
        // The declaration outranks the server; the parser must not convert a second time.
        {"latin1.xml", "UTF-8", "ISO-8859-1", "Café naïve ß ½"},
        {"windows1252.xml", "", "windows-1252", "Café € “quoted” – ™"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        DecodedFeed feed = DecodeFeed(test::TestData("encodings/" + c.file), c.httpCharset);
        EXPECT_EQ(feed.encoding, c.encoding);
        EXPECT_EQ(feed.replacements, 0u);
        EXPECT_NE(feed.text.compare(0, 3, "\xEF\xBB\xBF"), 0) << "mark left in the text";
        pugi::xml_document document;
        ASSERT_TRUE(document.load_buffer(feed.text.data(), feed.text.size()));
        EXPECT_EQ(document.select_node("//rss/channel/item/title").node().text().get(), c.title);
    }
}

TEST(DecodeFeedTest, EncodingComesFromMarkThenDeclarationThenServerThenUtf8) {
    const struct {
        std::string name, bytes, httpCharset, encoding;
        std::string content;  // what lies between <a> and </a>
    } cases[] = {
        // 0x80 is a C1 control in ISO-8859-1 and the euro sign in windows-1252.
        {"latin-1 is not windows-1252",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\x80\xE9</a>", "windows-1252",
         "ISO-8859-1", "\u0080é"},
        {"blanks before the declaration",
         "\r\n <?xml version='1.0' encoding = 'cp1252' ?><a>\x80</a>", "", "cp1252", "€"},
        {"server charset without declaration", "<a>\x80\xE9</a>", "WINDOWS-1252", "WINDOWS-1252",
         "€é"},
        {"unknown declared name falls to server",
         "<?xml version=\"1.0\" encoding=\"x-no-such-set\"?><a>\x80</a>", "windows-1252",
         "windows-1252", "€"},
        {"16-bit name on 8-bit bytes is passed over",
         "<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>\xE2\x82\xAC</a>", "", "UTF-8", "€"},
        {"UTF-32LE mark",
         "\xFF\xFE\0\0<\0\0\0a\0\0\0>\0\0\0\xAC\x20\0\0<\0\0\0/\0\0\0a\0\0\0>\0\0\0"s, "",
         "UTF-32LE", "€"},
        {"UTF-16LE without mark", "<\0a\0>\0\xAC\x20<\0/\0a\0>\0"s, "ISO-8859-1", "UTF-16LE", "€"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DecodedFeed feed = DecodeFeed(c.bytes, c.httpCharset);
        EXPECT_EQ(feed.encoding, c.encoding);
        const std::size_t open = feed.text.find("<a>"), close = feed.text.find("</a>");
        ASSERT_TRUE(open != std::string::npos && close != std::string::npos) << feed.text;
        EXPECT_EQ(feed.text.substr(open + 3, close - open - 3), c.content);
    }
}

TEST(DecodeFeedTest, InvalidSequencesBecomeReplacementCharacters) {
    const std::string r = "\uFFFD";
    const struct {
        std::string name, bytes, httpCharset, text;
        std::size_t replacements;
    } cases[] = {
        {"stray byte",
         "a\xFF"
         "b",
         "", "a" + r + "b", 1},
        {"overlong slash", "\xC0\xAF", "", r + r, 2},
        {"surrogate", "\xED\xA0\x80", "", r + r + r, 3},
        {"valid four-byte character", "\xF0\x9D\x84\x9E", "", "\xF0\x9D\x84\x9E", 0},
        {"UTF-16 lone surrogate",
         "\xFF\xFE"
         "a\0\x00\xD8"
         "b\0"s,
         "", "a" + r + "b", 1},
        {"byte windows-1252 leaves undefined",
         "\x81"
         "a",
         "windows-1252", r + "a", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DecodedFeed feed = DecodeFeed(c.bytes, c.httpCharset);
        EXPECT_EQ(feed.text, c.text);
        EXPECT_EQ(feed.replacements, c.replacements);
    }
    // Whatever name the document or the server gives, the text that comes out is UTF-8:
    // decoding it again changes nothing. glibc reads these names as 32-bit units and passes on
    // values past U+10FFFF as five- and six-byte sequences.
    for (const std::string name : {"iso-10646", "WCHAR_T", "CSUCS4", "OSF00010104"}) {
        SCOPED_TRACE(name);
        const std::string tail = "<<?xml version=\"1.r=s\"\xFC\xBC\x8F\xB7";
        for (const DecodedFeed& once :
             {DecodeFeed("<?xml version=\"1.0\" encoding='" + name + "'?>\n" + tail),
              DecodeFeed(tail, name)}) {
            const DecodedFeed twice = DecodeFeed(once.text);
            EXPECT_EQ(twice.text, once.text);
            EXPECT_EQ(twice.replacements, 0u);
        }
    }
    // Many times the converter's working buffer, a character of two bytes at every split.
    std::string latin, expected;
    for (int i = 0; i < 100000; ++i) {
        latin += "ab\xE9";
        expected += "abé";
    }
    EXPECT_EQ(DecodeFeed(latin, "ISO-8859-1").text, expected);
}

}  // namespace
}  // namespace vellorin
