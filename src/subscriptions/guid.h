#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vellorin {

// A new source identifier: 16 bytes from the system's random source, made a version-4 GUID and
// written by FormatGUIDBytes. Empty when the system gives no random bytes.
std::string NewGUIDString();

// The 16 bytes of a GUID in the order in which they are stored (first field, then second and
// third field, each little-endian, then the last eight bytes), each as two upper-case hexadecimal
// digits, grouped 8-4-4-4-12 with hyphens: 36 characters, no braces. Compared with the usual
// registry notation the first three groups are byte-reversed.
std::string FormatGUIDBytes(const std::array<std::uint8_t, 16>& bytes);

// True when `text` has the form FormatGUIDBytes gives: 36 characters, hyphens at positions 9, 14,
// 19 and 24 (1-based) and upper-case hexadecimal digits everywhere else.
bool IsSourceIdentifier(std::string_view text);

}  // namespace vellorin
