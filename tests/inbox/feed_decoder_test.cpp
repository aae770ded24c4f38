#include "inbox/feed_decoder.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <pugixml.hpp>
#include <string>

namespace vellorin {
namespace {

using namespace std::string_literals;

std::string Sample(const std::string& title, const std::string& declared, const char* encoding) {
    std::string utf8 = "<rss version=\"2.0\"><channel><item><title>" + title + "</title></item>" +
                       "</channel></rss>\n";
    if (!declared.empty())
        utf8 = "<?xml version=\"1.0\" encoding=\"" + declared + "\"?>\n" + utf8;
    std::string out(utf8.size() * 4, '\0');
    char *in = utf8.data(), *to = out.data();
    std::size_t inLeft = utf8.size(), outLeft = out.size();
    const iconv_t cd = ::iconv_open(encoding, "UTF-8");
    EXPECT_EQ(::iconv(cd, &in, &inLeft, &to, &outLeft), 0u) << encoding;
    ::iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

TEST(DecodeFeedTest, SampleFeedsReadAlikeInEveryEncoding) {
    const std::string all = "Café € “quoted” 日本", latin = "Café naïve ß ½";
    const struct {
        std::string bytes, httpCharset, encoding, title;
    } cases[] = {
        {"\xEF\xBB\xBF" + Sample(all, "ISO-8859-1", "UTF-8"), "", "UTF-8", all},
        {"\xFF\xFE" + Sample(all + " 𝄞", "UTF-16", "UTF-16LE"), "", "UTF-16LE", all + " 𝄞"},
        {Sample(all + " 𝄞", "UTF-16", "UTF-16BE"), "", "UTF-16BE", all + " 𝄞"},
        {Sample(latin, "ISO-8859-1", "ISO-8859-1"), "UTF-8", "ISO-8859-1", latin},
        {Sample("Café € “quoted” – ™", "windows-1252", "CP1252"), "", "windows-1252",
         "Café € “quoted” – ™"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.encoding);
        DecodedFeed feed = DecodeFeed(c.bytes, c.httpCharset);
        EXPECT_EQ(feed.encoding, c.encoding);
        EXPECT_EQ(feed.replacements, 0u);
        EXPECT_NE(feed.text.compare(0, 3, "\xEF\xBB\xBF"), 0) << "mark left in the text";
        pugi::xml_document document;
        ASSERT_TRUE(document.load_buffer(feed.text.data(), feed.text.size()));
        EXPECT_EQ(document.select_node("//rss/channel/item/title").node().text().get(), c.title);
    }
}

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
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.encoding);
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
    std::string latin, expected;
    for (int i = 0; i < 100000; ++i) {
        latin += "ab\xE9";
        expected += "abé";
    }
    EXPECT_EQ(DecodeFeed(latin, "ISO-8859-1").text, expected);
}

}  // namespace
}  // namespace vellorin
