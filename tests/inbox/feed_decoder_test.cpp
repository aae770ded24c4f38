#include "inbox/feed_decoder.h"

#include <gtest/gtest.h>

#include <string>

namespace vellorin {
namespace {

using namespace std::string_literals;

TEST(DecodeFeedTest, EncodingComesFromMarkThenDeclarationThenServerThenUtf8) {
    const auto declared = [](const char* name) {
        return "<?xml version=\"1.0\" encoding=\"" + std::string(name) + "\"?>";
    };
    const struct {
        std::string bytes, httpCharset, encoding;
        std::string content;  // what lies between <a> and </a>
    } cases[] = {
        // 0x80 is a C1 control in ISO-8859-1 and the euro sign in windows-1252.
        {declared("ISO-8859-1") + "<a>\x80\xE9</a>", "windows-1252", "ISO-8859-1", "\u0080é"},
        {"\r\n <?xml version='1.0' encoding = 'cp1252' ?><a>\x80</a>", "", "cp1252", "€"},
        {"<a>\x80\xE9</a>", "WINDOWS-1252", "WINDOWS-1252", "€é"},
        {declared("x-no-such-set") + "<a>\x80</a>", "windows-1252", "windows-1252", "€"},
        {declared("UTF-16") + "<a>\xE2\x82\xAC</a>", "", "UTF-8", "€"},  // passed over
        {"\377\376\0\0<\0\0\0a\0\0\0>\0\0\0\254\40\0\0<\0\0\0/\0\0\0a\0\0\0>\0\0\0"s, "",
         "UTF-32LE", "€"},
        {"<\0a\0>\0\xAC\x20<\0/\0a\0>\0"s, "ISO-8859-1", "UTF-16LE", "€"},
        // A byte order mark wins over everything, and is not left in the text.
        {"\xEF\xBB\xBF" + declared("ISO-8859-1") + "<a>é</a>", "cp1252", "UTF-8", "é"},
        {"\xFE\xFF\0<\0a\0>\xD8\x34\xDD\x1E\0<\0/\0a\0>"s, "", "UTF-16BE", "𝄞"},
        {declared("windows-1252") + "<a>\x93q\x94 \x96 \x99</a>", "", "windows-1252", "“q” – ™"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.encoding);
        DecodedFeed feed = DecodeFeed(c.bytes, c.httpCharset);
        EXPECT_EQ(feed.encoding, c.encoding);
        EXPECT_EQ(feed.replacements, 0u);
        EXPECT_FALSE(feed.text.starts_with("\xEF\xBB\xBF"));
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
        {"stray byte", "a\377b", "", "a" + r + "b", 1},
        {"overlong slash", "\xC0\xAF", "", r + r, 2},
        {"surrogate", "\xED\xA0\x80", "", r + r + r, 3},
        {"valid four-byte character", "\xF0\x9D\x84\x9E", "", "\xF0\x9D\x84\x9E", 0},
        {"UTF-16 lone surrogate", "\377\376a\0\0\330b\0"s, "", "a" + r + "b", 1},
        {"byte windows-1252 leaves undefined", "\201a", "windows-1252", r + "a", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DecodedFeed feed = DecodeFeed(c.bytes, c.httpCharset);
        EXPECT_EQ(feed.text, c.text);
        EXPECT_EQ(feed.replacements, c.replacements);
    }
    const std::string latin = DecodeFeed(std::string(300000, '\xE9') + "a", "ISO-8859-1").text;
    EXPECT_EQ(latin.size(), 600001u);
    EXPECT_EQ(latin.substr(599998), "éa");
}

}  // namespace
}  // namespace vellorin
