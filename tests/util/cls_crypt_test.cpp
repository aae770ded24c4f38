#include "util/cls_crypt.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vellorin {
namespace {

struct Pair {
    std::string plain;
    std::string encoded;
};

TEST(ClsCryptTest, EncodesAndDecodesKnownTexts) {
    std::string line;  // 54 x "a" make one full line
    for (int i = 0; i < 18; ++i)
        line += "YWFh";
    const std::vector<Pair> cases = {
        {"", ""},
        {"f", "Zg=="},
        {"foobar", "Zm9vYmFy"},
        {"Gr\xC3\xBC\xC3\x9F"
         "e \xE2\x82\xAC",
         "R3LDvMOfZSDigqw="},                   // UTF-8 bytes
        {std::string(54, 'a'), line + "\r\n"},  // a full last line is closed by CR LF too
        {std::string(109, 'a'), line + "\r\n" + line + "\r\nYQ=="},
    };
    clsCrypt crypt;
    for (const Pair& c : cases) {
        SCOPED_TRACE(c.plain);
        EXPECT_EQ(crypt.Encode(c.plain), c.encoded);
        EXPECT_EQ(crypt.Decode(c.encoded), c.plain);
    }
}

TEST(ClsCryptTest, DecodeIgnoresLineBreaksTakesForeignCharactersAsAAndCountsEqualsSigns) {
    const std::vector<Pair> cases = {
        {"foobar", "Z\nm\r9\r\nv\n\nYmFy\r\n"},
        {"fo@", "Zm9\xFF"},
        {std::string("foo\0\0\0", 6), "Zm9v****"},
        // "=" decodes as 0 like "A"; one "=" anywhere drops one final character, "==" two.
        {"f`/ba", "Zm=vYmFy"},
        {std::string("f`\0b", 4), "Zm==YmFy"},
        {"foob", "Zm9vYm=\r\n="},  // line breaks go before the "=" are counted
    };
    clsCrypt crypt;
    for (const Pair& c : cases) {
        SCOPED_TRACE(c.encoded);
        EXPECT_TRUE(crypt.IsDecodable(c.encoded));
        EXPECT_EQ(crypt.Decode(c.encoded), c.plain);
    }
}

TEST(ClsCryptTest, ATextWhoseLengthIsNoMultipleOfFourRaisesTheApplicationError) {
    clsCrypt crypt;
    for (const std::string text : {"Zm9", "Zm9vY", "Zm9v\r\nYm", "      "}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(crypt.IsDecodable(text));
        try {
            (void)crypt.Decode(text);
            ADD_FAILURE() << "no error raised";
        } catch (const CryptError& e) {
            EXPECT_EQ(e.number(), static_cast<long>(static_cast<std::int32_t>(0x80040000u)));
            EXPECT_STREQ(e.source(), "MyDecode");
            EXPECT_STREQ(e.what(), "Input string is not valid Base64.");
        }
    }
}

}  // namespace
}  // namespace vellorin
