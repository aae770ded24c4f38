#include "subscriptions/guid.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>

namespace vellorin {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool IsHyphenPosition(size_t i) {
    return i == 8 || i == 13 || i == 18 || i == 23;
}

// Fills `out` from getrandom, or from /dev/urandom where the call is missing.
bool RandomBytes(std::array<std::uint8_t, 16>& out) {
    size_t got = 0;
    while (got < out.size()) {
        ssize_t n = ::getrandom(out.data() + got, out.size() - got, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        got += static_cast<size_t>(n);
    }
    if (got == out.size())
        return true;

    int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    got = 0;
    while (got < out.size()) {
        ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    return got == out.size();
}

}  // namespace

std::string FormatGUIDBytes(const std::array<std::uint8_t, 16>& bytes) {
    std::string out;
    out.reserve(36);
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            out.push_back('-');
        out.push_back(kHexDigits[bytes[i] >> 4]);
        out.push_back(kHexDigits[bytes[i] & 0x0F]);
    }
    return out;
}

std::string NewGUIDString() {
    std::array<std::uint8_t, 16> bytes{};
    if (!RandomBytes(bytes))
        return {};
    // The version lives in the high nibble of the third field, which is stored little-endian, so
    // in byte 7; the variant in the top bits of byte 8.
    bytes[7] = static_cast<std::uint8_t>((bytes[7] & 0x0F) | 0x40);
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);
    return FormatGUIDBytes(bytes);
}

bool IsSourceIdentifier(std::string_view text) {
    if (text.size() != 36)
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (IsHyphenPosition(i)) {
            if (c != '-')
                return false;
        } else if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
            return false;
        }
    }
    return true;
}

}  // namespace vellorin
