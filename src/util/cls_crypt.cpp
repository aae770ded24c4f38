#include "util/cls_crypt.h"

#include <cstddef>

namespace vellorin {
namespace {

constexpr std::size_t kLineLength = 72;  // encoded characters per line
constexpr std::size_t kGroupsPerLine = kLineLength / 4;

std::size_t CountWithoutLineBreaks(const std::string& text) {
    std::size_t n = 0;
    for (char c : text) {
        if (c != '\r' && c != '\n')
            ++n;
    }
    return n;
}

// The text without any CR or LF, wherever they stand.
std::string WithoutLineBreaks(const std::string& text) {
    std::string out(CountWithoutLineBreaks(text), '\0');
    std::size_t o = 0;
    for (char c : text) {
        if (c != '\r' && c != '\n')
            out[o++] = c;
    }
    return out;
}

}  // namespace

CryptError::CryptError() : std::runtime_error("Input string is not valid Base64.") {}

clsCrypt::clsCrypt() {
    for (int i = 0; i < 26; ++i) {
        encodeTable_[static_cast<std::size_t>(i)] = static_cast<char>('A' + i);
        encodeTable_[static_cast<std::size_t>(26 + i)] = static_cast<char>('a' + i);
    }
    for (int i = 0; i < 10; ++i) {
        encodeTable_[static_cast<std::size_t>(52 + i)] = static_cast<char>('0' + i);
    }
    encodeTable_[62] = '+';
    encodeTable_[63] = '/';

    // Every byte outside the alphabet, "=" included, decodes as 0.
    decodeTable_.fill(0);
    for (std::size_t i = 0; i < encodeTable_.size(); ++i) {
        decodeTable_[static_cast<unsigned char>(encodeTable_[i])] = static_cast<std::uint8_t>(i);
    }

    for (std::uint32_t v = 0; v < 256; ++v) {
        shift8_[v] = v * 256;
        shift16_[v] = v * 65536;
    }
    for (std::uint32_t v = 0; v < 64; ++v) {
        shift6_[v] = v * 64;
        shift12_[v] = v * 4096;
        shift18_[v] = v * 262144;
    }
}

std::string clsCrypt::Encode(const std::string& sString) const {
    const std::size_t p = (3 - sString.size() % 3) % 3;
    const std::size_t groups = (sString.size() + p) / 3;
    const std::size_t chars = 4 * groups;
    std::string out(chars + 2 * (chars / kLineLength), '\0');

    const auto* in = reinterpret_cast<const unsigned char*>(sString.data());
    const std::size_t size = sString.size();
    // The padding NULs are read as zero bytes instead of being appended to a copy of the text.
    auto byteAt = [&](std::size_t i) -> unsigned char { return i < size ? in[i] : 0; };

    std::size_t o = 0;
    std::size_t groupsOnLine = 0;
    for (std::size_t g = 0; g < groups; ++g) {
        const std::size_t i = 3 * g;
        const std::uint32_t n = shift16_[byteAt(i)] + shift8_[byteAt(i + 1)] + byteAt(i + 2);
        out[o++] = encodeTable_[(n >> 18) & 63];
        out[o++] = encodeTable_[(n >> 12) & 63];
        out[o++] = encodeTable_[(n >> 6) & 63];
        out[o++] = encodeTable_[n & 63];
        if (++groupsOnLine == kGroupsPerLine) {
            out[o++] = '\r';
            out[o++] = '\n';
            groupsOnLine = 0;
        }
    }

    std::size_t end = out.size();
    if (end >= 2 && out[end - 2] == '\r' && out[end - 1] == '\n')
        end -= 2;
    for (std::size_t k = 0; k < p; ++k)
        out[end - 1 - k] = '=';
    return out;
}

std::string clsCrypt::Decode(const std::string& sString) const {
    const std::string text = WithoutLineBreaks(sString);
    if (text.size() % 4 != 0)
        throw CryptError();

    std::size_t p = 0;
    if (text.find("==") != std::string::npos) {
        p = 2;
    } else if (text.find('=') != std::string::npos) {
        p = 1;
    }

    std::string out(text.size() / 4 * 3, '\0');
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t o = 0;
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const std::uint32_t n = shift18_[decodeTable_[in[i]]] + shift12_[decodeTable_[in[i + 1]]] +
                                shift6_[decodeTable_[in[i + 2]]] + decodeTable_[in[i + 3]];
        out[o++] = static_cast<char>((n >> 16) & 255);
        out[o++] = static_cast<char>((n >> 8) & 255);
        out[o++] = static_cast<char>(n & 255);
    }
    // An empty text gives no bytes and no "=", so nothing is cut from an empty result.
    out.resize(out.size() - p);
    return out;
}

bool clsCrypt::IsDecodable(const std::string& sString) const {
    return CountWithoutLineBreaks(sString) % 4 == 0;
}

}  // namespace vellorin
