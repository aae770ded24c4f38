// Base64 of clsCrypt. Any bytes encode to text that decodes to the same bytes, laid out in lines
// of 72 characters of the alphabet; any text either decodes or raises CryptError, exactly as
// IsDecodable foretells, and a decoded text has the length its padding states.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "util/cls_crypt.h"

namespace vellorin::fuzz {
namespace {

constexpr std::size_t kLineLength = 72;

bool IsAlphabet(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/';
}

std::string WithoutLineBreaks(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c != '\r' && c != '\n')
            out += c;
    }
    return out;
}

// The encoded text: lines of 72 characters joined by CR LF, a shorter last line, a closing CR LF
// when the last line is full; alphabet characters, then at most two "=" at the very end.
void CheckEncodedForm(const std::string& bytes, const std::string& encoded) {
    const std::string flat = WithoutLineBreaks(encoded);
    FUZZ_CHECK(flat.size() == (bytes.size() + 2) / 3 * 4, Quoted(encoded));
    const std::size_t padding = bytes.size() % 3 == 0 ? 0 : 3 - bytes.size() % 3;
    for (std::size_t i = 0; i < flat.size(); ++i) {
        const bool pad = i >= flat.size() - padding;
        FUZZ_CHECK(pad ? flat[i] == '=' : IsAlphabet(flat[i]), Quoted(encoded));
    }
    std::string expected;
    for (std::size_t at = 0; at < flat.size(); at += kLineLength) {
        expected.append(flat, at, kLineLength);
        if (at + kLineLength < flat.size() || flat.size() - at == kLineLength)
            expected += "\r\n";
    }
    FUZZ_CHECK(encoded == expected, Quoted(encoded) + " laid out as " + Quoted(expected));
}

// Any text: decodable exactly when its length without line breaks is a multiple of 4; then the
// result has three bytes per four characters, less one per "=" the padding rule counts.
void CheckDecode(const clsCrypt& crypt, const std::string& text) {
    const std::string flat = WithoutLineBreaks(text);
    const bool decodable = flat.size() % 4 == 0;
    FUZZ_CHECK(crypt.IsDecodable(text) == decodable, Quoted(text));
    std::string decoded;
    try {
        decoded = crypt.Decode(text);
    } catch (const CryptError&) {
        FUZZ_CHECK(!decodable, "decodable text refused: " + Quoted(text));
        return;
    }
    FUZZ_CHECK(decodable, "text of a wrong length decoded: " + Quoted(text));
    std::size_t expected = 0;
    if (!flat.empty()) {
        const std::size_t dropped = flat.find("==") != std::string::npos  ? 2
                                    : flat.find('=') != std::string::npos ? 1
                                                                          : 0;
        expected = flat.size() / 4 * 3 - dropped;
    }
    FUZZ_CHECK(decoded.size() == expected, Quoted(text) + " gave " + Quoted(decoded));
}

}  // namespace
}  // namespace vellorin::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vellorin;
    using namespace vellorin::fuzz;
    static const clsCrypt crypt;
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    const std::string encoded = crypt.Encode(bytes);
    CheckEncodedForm(bytes, encoded);
    FUZZ_CHECK(crypt.IsDecodable(encoded), Quoted(encoded));
    const std::string decoded = crypt.Decode(encoded);
    FUZZ_CHECK(decoded == bytes, Quoted(bytes) + " came back as " + Quoted(decoded));

    CheckDecode(crypt, bytes);
    return 0;
}
