#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vellorin::profile {

// Bytes that replace as many bytes at `offset` of a file.
struct Patch {
    size_t offset = 0;
    std::string data;
};

// The removal of a section by blanking its lines where they are: in the end every byte but the
// line breaks is a space, so no other byte of the file moves and every reader skips the blank
// lines. The bytes go in `steps`, each stored and flushed before the next, so that whatever part
// of a step reaches the disk before a crash, the file reads with the section whole or with the
// section gone, and every other section as it was:
//  1. One byte, "]" right after the header's "[": the header reads "[]", a section without a
//     name, which no lookup by name reaches. A byte is written whole or not at all. The section's
//     lines stay under that header, so none of them can join the section above.
//  2. Every byte of the section's lines but the line breaks, that "[]" and the first non-blank
//     byte of each other line becomes a space. Any part of this leaves the header "[]" and every
//     other line starting with the byte it started with; a line starting with "[" held no "]" (it
//     would have been a header) and cannot gain one, so no line becomes a header, and whatever
//     key lines remain, whole or cut, belong to the nameless section.
//  3. The bytes left become spaces. Any part of this leaves each line with at most one non-blank
//     byte, which makes neither a key nor a header, bar the nameless "[]".
// The plain orders fail: blanking the keys first leaves a header without keys (a message with no
// title), and blanking the header first lets the keys join the section above, which gains those
// it lacked.
struct Blanking {
    std::vector<std::vector<Patch>> steps;
};

// The text of one INI file with an index over its sections and keys, parsed by the rules stated
// in profile_file.h. Lookups take names as callers give them: blanks around them and ASCII letter
// case do not matter. The edit functions leave the document alone and describe the new file; the
// caller stores it and then either drops the document or, after a change in place, calls
// append() or overwrite(). Not shared between threads while it changes.
class ProfileDocument {
public:
    explicit ProfileDocument(std::string text = {});
    ProfileDocument(const ProfileDocument&) = delete;
    ProfileDocument& operator=(const ProfileDocument&) = delete;

    const std::string& text() const { return text_; }
    // What must be appended before new lines so that they start a line of their own: nothing
    // for an empty text or one that ends with LF, LF after a lone CR, CR LF otherwise.
    std::string_view lineBreakToEnd() const;

    // The value of `key` in the first occurrence of `section` that holds it, without its quotes;
    // nullopt when the section or the key is absent.
    std::optional<std::string_view> findValue(std::string_view section, std::string_view key) const;
    // Each key name of the section (all its occurrences, each name once) in file order, each
    // followed by a NUL; empty when the section is absent or holds no keys.
    std::string keyNames(std::string_view section) const;
    // Each section name once, in file order, each followed by a NUL.
    std::string sectionNames() const;
    // The same names as a list, whole even when a name holds a NUL; valid while the text is
    // unchanged.
    std::vector<std::string_view> sectionList() const;
    // The name of the first occurrence of `section` as the file spells it; nullopt when absent.
    std::optional<std::string_view> storedName(std::string_view section) const;

    // How the file has to change.
    struct Edit {
        enum class Kind {
            kNone,     // the file already holds what was asked for
            kAppend,   // `data` goes at the end of the file
            kRewrite,  // `data` is the whole new file
            // `data` replaces as many bytes at `offset`; no line break moves, and the changed
            // bytes lie within one 4 KiB block of the file
            kOverwrite,
        };
        Kind kind = Kind::kNone;
        std::string data;
        size_t offset = 0;
    };

    // Sets section/key to `value`. The names must be trimmed and storable; `storedValue` is the
    // text that goes after "=" and reads back as `value`. An existing key is replaced in its line;
    // a new key goes after the last key of the section's first occurrence; a new section goes at
    // the end of the file, with a line break first when the last line has none (just an LF when
    // the file ends in a CR, which the reader takes for the end of its last line). New lines end
    // with CR LF. With `allowOverwrite`, a replaced value whose line already reads exactly
    // "name=stored" and whose stored text keeps its length and quoting (and whose key has no
    // second line in the section) comes as kOverwrite: the file that results is byte for byte the
    // one the rewrite would give. Anything else comes as kRewrite.
    Edit setValue(std::string_view section, std::string_view key, std::string_view value,
                  std::string_view storedValue, bool allowOverwrite = true) const;
    // Appends `section`, which must be absent, with `keys` (trimmed, storable, distinct names, each
    // with the text that goes after "="), as successive setValue calls would write it: a kAppend
    // edit.
    Edit appendSection(std::string_view section,
                       std::span<const std::pair<std::string_view, std::string>> keys) const;
    // Removes every line of the key in every occurrence of the section.
    Edit removeKey(std::string_view section, std::string_view key) const;
    // Removes every occurrence of the section, from its header to the next section's header.
    Edit removeSection(std::string_view section) const;

    // The blanking that removes `section` in place; nullopt when it is absent, when it occurs more
    // than once (no order of writes would keep it whole or gone) or when its name is empty.
    std::optional<Blanking> blankSection(std::string_view section) const;
    // Bytes in lines that hold nothing but blanks, such as the lines of blanked sections.
    size_t blankBytes() const { return blankBytes_; }
    // The text without its blank lines: the same file to every reader, only shorter.
    std::string compacted() const;

    // Takes in bytes that were appended to the file, parsing only them. Returns false and
    // changes nothing when the text did not end with an LF (the appended bytes would change its
    // last line, if only by completing a final CR to CR LF); the caller then parses the file
    // afresh.
    [[nodiscard]] bool append(std::string_view data);
    // Takes in a kOverwrite edit made from this document and stored in place. Returns false and
    // changes nothing when the bytes do not fit inside the text.
    [[nodiscard]] bool overwrite(size_t offset, std::string_view data);
    // Takes in the blanking of `section` made from this document and stored in place. Returns
    // false and changes nothing when the blanking does not fit the text.
    [[nodiscard]] bool applyBlanking(std::string_view section, const Blanking& blanking);

private:
    struct KeyLine {
        size_t lineBegin;
        size_t contentEnd;  // before the line break
        size_t lineEnd;     // after the line break
        size_t nameBegin;
        size_t nameSize;
        size_t valueBegin;  // inside the quotes when the value is quoted
        size_t valueSize;
        uint32_t section;
        uint64_t hash;
    };
    struct SectionBlock {
        size_t headerBegin;
        size_t headerEnd;  // after the header's line break
        size_t nameBegin;
        size_t nameSize;
        size_t end;       // the next section's header, or the end of the text
        size_t insertAt;  // after the last key line, or after the header line
        uint32_t firstKey;
        uint32_t keyCount;
        bool firstOfName;  // the first section of this name in the file
        bool blanked;      // removed by a blanking; no lookup reaches it
    };

    void parseFrom(size_t pos);
    void parseLine(size_t lineBegin, size_t contentEnd, size_t lineEnd);
    std::string_view slice(size_t begin, size_t size) const {
        return std::string_view(text_).substr(begin, size);
    }
    const std::vector<uint32_t>* occurrences(std::string_view section) const;
    // The index in keys_ of the first key line of `key` in the section occurrence, or -1.
    long findInOccurrence(uint32_t section, std::string_view key, uint64_t hash) const;
    long findKey(const std::vector<uint32_t>& sections, std::string_view key) const;
    bool hasSecondLine(const std::vector<uint32_t>& sections, std::string_view key) const;
    // The kOverwrite edit that sets key line `keyIndex` to `storedValue`, or kNone when the line
    // cannot be changed in place.
    Edit overwriteEdit(size_t keyIndex, std::string_view value, std::string_view storedValue) const;
    uint64_t slotFor(uint32_t keyIndex) const;
    void indexKey(uint32_t keyIndex);
    // Grows the key table (twice as many slots as keys at least) to hold `keys` keys.
    void reserveIndex(size_t keys);

    std::string text_;
    std::vector<SectionBlock> sections_;
    std::vector<KeyLine> keys_;
    // Lower-case section name -> its occurrences in file order.
    std::unordered_map<std::string, std::vector<uint32_t>> sectionsByName_;
    // Open-addressing table over (section occurrence, lower-case key name): a slot holds the
    // upper half of the hash and key index + 1 of the first line of each name, 0 when empty.
    std::vector<uint64_t> keySlots_;
    size_t indexedKeys_ = 0;
    size_t blankBytes_ = 0;
};

}  // namespace vellorin::profile
