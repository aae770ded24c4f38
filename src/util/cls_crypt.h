#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace vellorin {

// The error Decode raises for a text whose length without line breaks is not a multiple of 4.
class CryptError : public std::runtime_error {
public:
    CryptError();
    long number() const { return -2147221504; }  // 0x80040000
    const char* source() const { return "MyDecode"; }
    const char* description() const { return "Input string is not valid Base64."; }
};

// clsCrypt: Base64 (RFC 4648 alphabet, "=" padding) over the bytes of a text, with encoded
// output broken into lines of 72 characters by CR LF. Each instance builds its tables once;
// instances share nothing.
class clsCrypt {
public:
    clsCrypt();

    // The Base64 text of the bytes of sString: lines of 72 characters separated by CR LF, and a
    // final CR LF when the length without line breaks is an exact multiple of 72.
    std::string Encode(const std::string& sString) const;
    // The bytes encoded in sString, every CR and LF ignored. Throws CryptError when IsDecodable
    // would be false. Characters outside the alphabet decode as "A" does; the last p characters
    // of the result are dropped, p being 2 when the text holds "==" anywhere, else 1 when it holds
    // "=", else 0. A text that is empty once its line breaks are removed gives "".
    std::string Decode(const std::string& sString) const;
    // True when the length without CR and LF is a multiple of 4 (the empty text included).
    bool IsDecodable(const std::string& sString) const;

private:
    std::array<char, 64> encodeTable_{};
    std::array<std::uint8_t, 256> decodeTable_{};
    std::array<std::uint32_t, 256> shift8_{}, shift16_{};
    std::array<std::uint32_t, 64> shift6_{}, shift12_{}, shift18_{};
};

}  // namespace vellorin
