#include "util/cls_crypt.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace vellorin {
namespace {

std::string Repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

std::string StripBreaks(std::string text) {
    std::erase(text, '\r');
    std::erase(text, '\n');
    return text;
}

struct Vector {
    std::string plain;
    std::string encoded;
};

// RFC 4648, section 10, plus the single-group cases without and with padding.
const std::vector<Vector> kRfcVectors = {
    {"", ""},
    {"f", "Zg=="},
    {"fo", "Zm8="},
    {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="},
    {"fooba", "Zm9vYmE="},
    {"foobar", "Zm9vYmFy"},
    {"Man", "TWFu"},
    {"Ma", "TWE="},
    {"M", "TQ=="},
};

TEST(ClsCryptTest, EncodesAndDecodesTheRfcVectors) {
    clsCrypt crypt;
    for (const auto& v : kRfcVectors) {
        SCOPED_TRACE(v.plain);
        EXPECT_EQ(crypt.Encode(v.plain), v.encoded);
        EXPECT_EQ(crypt.Decode(v.encoded), v.plain);
    }
}

TEST(ClsCryptTest, BreaksLinesAfter72CharactersIncludingAfterTheLastFullLine) {
    clsCrypt crypt;
    const std::string line = Repeat("YWFh", 18);  // 54 x "a"
    struct Case {
        int length;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {54, line + "\r\n"},
        {57, line + "\r\n" + "YWFh"},
        {53, Repeat("YWFh", 17) + "YWE=" + "\r\n"},
        {52, Repeat("YWFh", 17) + "YQ==" + "\r\n"},
        {51, Repeat("YWFh", 17)},
        {108, line + "\r\n" + line + "\r\n"},
        {109, line + "\r\n" + line + "\r\n" + "YQ=="},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        std::string text(static_cast<std::size_t>(c.length), 'a');
        EXPECT_EQ(crypt.Encode(text), c.expected);
        EXPECT_EQ(crypt.Decode(c.expected), text);
    }
}

TEST(ClsCryptTest, EveryEncodingHasFullLinesAndEndsInCrLfExactlyOnAMultipleOf72) {
    clsCrypt crypt;
    for (std::size_t n = 0; n <= 400; ++n) {
        SCOPED_TRACE(n);
        const std::string encoded = crypt.Encode(std::string(n, 'x'));
        const std::string flat = StripBreaks(encoded);
        ASSERT_EQ(flat.size(), (n + 2) / 3 * 4);
        const bool endsInBreak =
            encoded.size() >= 2 && encoded.substr(encoded.size() - 2) == "\r\n";
        EXPECT_EQ(endsInBreak, !flat.empty() && flat.size() % 72 == 0);
        // Lines: every CR LF stands after exactly 72 characters of its line.
        std::size_t start = 0;
        for (std::size_t pos = encoded.find("\r\n"); pos != std::string::npos;
             pos = encoded.find("\r\n", start)) {
            EXPECT_EQ(pos - start, 72u);
            start = pos + 2;
        }
        EXPECT_LE(encoded.size() - start, 72u);
        EXPECT_EQ(encoded.size(), flat.size() + 2 * (flat.size() / 72));
    }
}

TEST(ClsCryptTest, RoundTripsArbitraryBytes) {
    clsCrypt crypt;
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    EXPECT_EQ(crypt.Decode(crypt.Encode(all)), all);

    std::mt19937 rng(4648);
    std::uniform_int_distribution<int> byte(0, 255);
    for (std::size_t n : {1u, 2u, 3u, 4u, 53u, 54u, 55u, 56u, 215u, 216u, 217u, 1000u, 4097u}) {
        SCOPED_TRACE(n);
        std::string data(n, '\0');
        for (char& c : data)
            c = static_cast<char>(byte(rng));
        EXPECT_EQ(crypt.Decode(crypt.Encode(data)), data);
    }
    // Zero bytes of the text itself survive; only the padding's are removed.
    for (const std::string& zeros :
         {std::string(1, '\0'), std::string(2, '\0'), std::string(5, '\0')}) {
        EXPECT_EQ(crypt.Decode(crypt.Encode(zeros)), zeros);
    }
}

TEST(ClsCryptTest, TextIsTakenAsItsUtf8Bytes) {
    clsCrypt crypt;
    const std::string text =
        "Gr\xC3\xBC\xC3\x9F"
        "e \xE2\x82\xAC";  // "Grüße €"
    EXPECT_EQ(crypt.Encode(text), "R3LDvMOfZSDigqw=");
    EXPECT_EQ(crypt.Decode("R3LDvMOfZSDigqw="), text);
}

TEST(ClsCryptTest, DecodeIgnoresLineBreaksWherever) {
    clsCrypt crypt;
    const std::vector<std::string> texts = {
        "Zm9vYmFy",     "Zm9v\r\nYmFy", "Zm9v\nYmFy",           "Zm9v\rYmFy",
        "\r\nZm9vYmFy", "Zm9vYmFy\r\n", "Z\nm\r9\r\nv\n\nYmFy", "Zm\r\n\r\n9vYm\rFy\n",
    };
    for (const auto& t : texts) {
        SCOPED_TRACE(t);
        EXPECT_TRUE(crypt.IsDecodable(t));
        EXPECT_EQ(crypt.Decode(t), "foobar");
    }
}

TEST(ClsCryptTest, DecodeOfAWrongLengthRaisesTheApplicationError) {
    clsCrypt crypt;
    for (const std::string text : {"Zm9", "Z", "Zm9vY", "Zm9v\r\nYm", "Zm9vYmFy="}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(crypt.IsDecodable(text));
        try {
            (void)crypt.Decode(text);
            ADD_FAILURE() << "no error raised";
        } catch (const CryptError& e) {
            EXPECT_EQ(e.number(), -2147221504L);
            EXPECT_EQ(e.number(), static_cast<long>(static_cast<std::int32_t>(0x80040000u)));
            EXPECT_STREQ(e.source(), "MyDecode");
            EXPECT_STREQ(e.description(), "Input string is not valid Base64.");
            EXPECT_STREQ(e.what(), "Input string is not valid Base64.");
        }
    }
}

TEST(ClsCryptTest, IsDecodableLooksOnlyAtTheLengthWithoutLineBreaks) {
    clsCrypt crypt;
    struct Case {
        std::string text;
        bool decodable;
    };
    const std::vector<Case> cases = {
        {"", true},         {"\r\n", true},   {"\n\r\r", true},   {"abcd", true},
        {"!!!!", true},     {"====", true},   {"ab\r\ncd", true}, {"abc", false},
        {"a\nb\rc", false}, {"abcde", false}, {"      ", false},  {"        ", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(crypt.IsDecodable(c.text), c.decodable);
        if (c.decodable) {
            EXPECT_NO_THROW((void)crypt.Decode(c.text));
        } else {
            EXPECT_THROW((void)crypt.Decode(c.text), CryptError);
        }
    }
}

TEST(ClsCryptTest, DecodeOfATextWithoutContentGivesEmptyText) {
    clsCrypt crypt;
    EXPECT_EQ(crypt.Decode(""), "");
    EXPECT_EQ(crypt.Decode("\r\n\r\n"), "");
}

TEST(ClsCryptTest, CharactersOutsideTheAlphabetDecodeAsA) {
    clsCrypt crypt;
    const std::string withA = crypt.Decode("Zm9A");
    EXPECT_EQ(withA, std::string("fo@"));
    for (const std::string odd : {"Zm9*", "Zm9 ", "Zm9-", "Zm9\x80", "Zm9\xFF", "Zm9."}) {
        SCOPED_TRACE(odd);
        EXPECT_EQ(crypt.Decode(odd), withA);
    }
    // A whole group of foreign characters is three zero bytes.
    EXPECT_EQ(crypt.Decode("Zm9v****"), std::string("foo\0\0\0", 6));
}

TEST(ClsCryptTest, EqualsSignsAnywhereDecideHowManyCharactersAreDropped) {
    clsCrypt crypt;
    struct Case {
        std::string text;
        std::string expected;
    };
    const std::vector<Case> cases = {
        // "=" decodes as 0 like "A"; one "=" anywhere drops one final character.
        {"Zm=vYmFy", std::string("f`/ba")},
        {"=m9vYmFy", std::string("\x02o", 2) + "oba"},
        // "==" anywhere drops two.
        {"Zm9vYm==", "foob"},
        {"Zm==YmFy", std::string("f`\0b", 4)},
        // "=" in two places, not side by side, still counts as one.
        {"Zm=vYm=y", std::string("f`/b", 4) + "`"},
        // Line breaks are gone before the "=" are counted: these two stand side by side.
        {"Zm9vYm=\r\n=", "foob"},
        // Padding of the encoder: the NUL bytes it stands for are exactly what is dropped.
        {"Zg==", "f"},
        {"Zm8=", "fo"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(crypt.Decode(c.text), c.expected);
    }
}

}  // namespace
}  // namespace vellorin
