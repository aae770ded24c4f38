#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace vellorin::profile {

// The profile-file layer: reads and writes INI files by the rules of the Windows
// private-profile functions, without their buffer limits.
//
// Parsing: "[name]" starts a section; "key=value" lines belong to the section above them; blanks
// (spaces, tabs) around names and values are ignored; a value in matching double or single quotes
// is returned without them; lines starting with ";", lines without "=", lines above the first
// section and "[" lines without "]" hold no key; section and key names match without regard to
// ASCII letter case; a later duplicate section adds to, and never hides, the keys of the first one
// (the first line of a key wins). Files are read as bytes, lines end with CR LF or LF, and a CR
// that ends the file ends its last line (writes that add lines at the end complete it to CR LF).
//
// Every call sees the file as it is stored now. A parsed copy of the last few files used is kept
// (each held open, so that its inode number cannot pass to a replacement) and reused while the
// file's device, inode, size, modification and change times are unchanged, and those times are
// older than the moment the copy was read; a copy of a file changed since then, or in the same
// step of the clock, is compared with the stored bytes first. A file this layer changes gets a
// modification time just behind the clock (by the step of the file system's times, 1 ns on most)
// and so older than its change time, which no later write leaves as it is; the copy of such a
// change is used without comparing.

// Reads one value; the default (trailing spaces removed) when the file, section or key is absent
// or unreadable. With no key: the key names of the section, each once, each followed by a NUL
// (the list's closing NUL of the Windows functions is not part of the result), or the default
// when the section is absent or has no keys. With no section: the section names likewise, empty
// when an existing file has none. The result is never cut short.
std::string GetPrivateProfileString(std::optional<std::string_view> section,
                                    std::optional<std::string_view> key,
                                    std::string_view defaultValue, const std::string& path);

// Writes, replaces or removes. With a value: sets section/key, creating the file, the section
// (appended at the end of the file, no blank line before it) and the key (after the last key of
// the section's first occurrence) as needed; names are stored without surrounding blanks, and a
// value with blanks at either end or in matching quotes is stored inside double quotes, so that it
// reads back as given. With no value: removes every line of the key. With no key: removes the
// whole section, every occurrence, whatever the value. Lines the program did not write are kept;
// new lines end with CR LF. Returns non-zero on success (also when there was nothing to change or
// remove; a removal never creates the file), 0 on failure: no section, an I/O error, or a name or
// value the line format cannot hold (a line break or NUL anywhere, a section name with "]", a key
// name with "=" or starting with "[" or ";", an empty name); the file is then left as it was.
// Rewrites go to a temporary file that is flushed and renamed over the old one; a replaced value
// whose stored text keeps its length and quoting is overwritten in place (one pwrite inside one
// block, then fdatasync); a new key or section at the very end of the file is appended in place,
// and an append that fails part way is cut back to the old length. A section of a file of
// 256 KiB or more that occurs once is removed by overwriting its lines with blanks in place, in
// three steps each flushed with fdatasync (its header first made "[]", a section with no name),
// so that a crash at any moment leaves the section whole or gone and every other section as it
// was; such a file is compacted by a rewrite once blank lines make up half of it. The folder lock
// is held for the whole call.
long WritePrivateProfileString(std::optional<std::string_view> section,
                               std::optional<std::string_view> key,
                               std::optional<std::string_view> value, const std::string& path);

// The name of the first occurrence of `section` as the file spells it (lookups ignore blanks
// around names and ASCII letter case); nullopt when the file or the section is absent.
std::optional<std::string> StoredSectionName(std::string_view section, const std::string& path);

// Sets each key of `section` to its value, as successive WritePrivateProfileString calls in this
// order would, with the same rules and result; the key names must differ. A section the file does
// not hold yet is appended whole in one write (a new file is written whole); in a section that
// exists each key is set in its place as a single call would set it.
long WritePrivateProfileKeys(std::string_view section,
                             std::span<const std::pair<std::string_view, std::string_view>> keys,
                             const std::string& path);

// A section that AppendSections adds: its name and its keys with their values, in order.
struct NewSection {
    std::string_view name;
    std::span<const std::pair<std::string_view, std::string_view>> keys;
};

// Appends `sections`, none of which the file holds yet, all in one write: as successive
// WritePrivateProfileKeys calls in this order would write them, but all or nothing. A new or empty
// file is written whole through a temporary file; an existing one is appended to under an undo
// journal (profile_journal.h), so a crash at any moment leaves every section or none of them. The
// appended bytes are flushed before the call returns. Returns 0 on success (also for no
// sections), else an errno: EINVAL for a name or value the line format cannot hold or two
// sections of the same name, EEXIST when the file already holds one of the sections, or the
// error of the failed read or write; the file is then left as it was.
[[nodiscard]] int AppendSections(std::span<const NewSection> sections, const std::string& path);

// Drops every cached parse (for tests and benchmarks that want to measure a cold read).
void ClearProfileCache();

}  // namespace vellorin::profile
