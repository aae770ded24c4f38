#include "util/cls_crypt.h"

#include <gtest/gtest.h>

#include <string>

namespace vellorin {
namespace {

TEST(ClsCryptTest, EncodesKnownTextsAndDecodesLeniently) {
    std::string line;  // 54 x "a" make one full line
    for (int i = 0; i < 18; ++i)
        line += "YWFh";
    const struct {
        std::string plain, encoded;
        bool roundTrip;
    } cases[] = {
        {"", "", true},
        {"f", "Zg==", true},
        {"foobar", "Zm9vYmFy", true},
        {"Gr\xC3\xBC\xC3\x9F"
         "e \xE2\x82\xAC",
         "R3LDvMOfZSDigqw=", true},
        {std::string(54, 'a'), line + "\r\n", true},  // a full last line is closed by CR LF too
        {std::string(109, 'a'), line + "\r\n" + line + "\r\nYQ==", true},
        // Decoding skips line breaks, takes foreign characters as "A" and "=" as 0; each "="
        // anywhere drops one final character, and line breaks before a "=" are counted.
        {"foobar", "Z\nm\r9\r\nv\n\nYmFy\r\n", false},
        {"fo@", "Zm9\xFF", false},
        {std::string("foo\0\0\0", 6), "Zm9v****", false},
        {"f`/ba", "Zm=vYmFy", false},
        {std::string("f`\0b", 4), "Zm==YmFy", false},
        {"foob", "Zm9vYm=\r\n=", false}};
    const clsCrypt crypt;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.encoded);
        EXPECT_TRUE(!c.roundTrip || crypt.Encode(c.plain) == c.encoded) << crypt.Encode(c.plain);
        EXPECT_TRUE(crypt.IsDecodable(c.encoded));
        EXPECT_EQ(crypt.Decode(c.encoded), c.plain);
    }
}

TEST(ClsCryptTest, ATextWhoseLengthIsNoMultipleOfFourRaisesTheApplicationError) {
    const clsCrypt crypt;
    for (const std::string text : {"Zm9", "Zm9vY", "Zm9v\r\nYm", "      "}) {
        EXPECT_FALSE(crypt.IsDecodable(text)) << text;
        try {
            (void)crypt.Decode(text);
            ADD_FAILURE() << "no error raised: " << text;
        } catch (const CryptError& e) {
            EXPECT_EQ(e.number(), static_cast<long>(static_cast<std::int32_t>(0x80040000u)));
        }
    }
}

}  // namespace
}  // namespace vellorin
