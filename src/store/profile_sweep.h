#pragma once

#include <span>
#include <string>
#include <string_view>

namespace vellorin::profile {

// Sets `key` to `value` in each of `sections` of the INI file at `path` with one write, where
// successive WritePrivateProfileString calls would write the file once per section: the same
// file results, by the rules of profile_file.h (a key that a section lacks is added after its
// last key). Sections the file does not hold are passed over; so are those whose key already
// reads `value`. When every change keeps its value's length (a read flag "0" becoming "1"), the
// values are overwritten in place and flushed together: a crash in between leaves some of them
// changed and every line whole. Otherwise the file is rewritten through a temporary file. The
// value must be storable as it is (no line break or NUL, no blanks at either end, no surrounding
// quotes). Holds the folder lock for the whole call. Returns 0 on success (also when nothing had
// to change), EINVAL for a key or value that cannot be stored so, or the errno of the failed read
// or write, the file then left as it was or with some of the values changed.
[[nodiscard]] int SetKeyInSections(std::span<const std::string> sections, std::string_view key,
                                   std::string_view value, const std::string& path);

}  // namespace vellorin::profile
