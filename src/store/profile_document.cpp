#include "store/profile_document.h"

#include <algorithm>
#include <cstring>

#include "base/helpers.h"
#include "store/profile_text.h"

namespace vellorin::profile {
namespace {

// FNV-1a over the lower-case name, seeded with the section occurrence.
uint64_t HashKey(uint32_t section, std::string_view name) {
    uint64_t h = 14695981039346656037ull ^ (uint64_t{section} * 0x9E3779B97F4A7C15ull);
    for (char c : name) {
        h ^= static_cast<unsigned char>(LowerAscii(c));
        h *= 1099511628211ull;
    }
    return h;
}

constexpr size_t kBlockSize = 4096;

bool IsQuotedWith(std::string_view s, char quote) {
    return s.size() >= 2 && s.front() == quote && s.back() == quote;
}

}  // namespace

ProfileDocument::ProfileDocument(std::string text) : text_(std::move(text)) {
    keySlots_.assign(64, 0);
    parseFrom(0);
}

void ProfileDocument::parseFrom(size_t pos) {
    const size_t firstNewKey = keys_.size();
    ForEachLine(text_, pos, [this](size_t begin, size_t contentEnd, size_t end) {
        parseLine(begin, contentEnd, end);
    });
    if (!sections_.empty())
        sections_.back().end = text_.size();
    // Indexed after the lines are read, so that the table grows at most once; in file order, so
    // that the first line of a name wins.
    reserveIndex(indexedKeys_ + (keys_.size() - firstNewKey));
    for (size_t k = firstNewKey; k < keys_.size(); ++k)
        indexKey(static_cast<uint32_t>(k));
}

void ProfileDocument::parseLine(size_t lineBegin, size_t contentEnd, size_t lineEnd) {
    std::string_view line = Trim(slice(lineBegin, contentEnd - lineBegin));
    if (line.empty()) {
        blankBytes_ += lineEnd - lineBegin;
        return;
    }
    if (line.front() == ';')
        return;

    if (line.front() == '[') {
        size_t close = line.find(']', 1);
        if (close == std::string_view::npos)
            return;  // not a header; harmless
        std::string_view name = Trim(line.substr(1, close - 1));
        if (!sections_.empty())
            sections_.back().end = lineBegin;
        auto index = static_cast<uint32_t>(sections_.size());
        auto& byName = sectionsByName_[ToLowerAscii(name)];
        byName.push_back(index);
        sections_.push_back(
            SectionBlock{lineBegin, lineEnd, static_cast<size_t>(name.data() - text_.data()),
                         name.size(), text_.size(), lineEnd, static_cast<uint32_t>(keys_.size()), 0,
                         byName.size() == 1, false});
        return;
    }

    // Lines above the first section and lines without "=" hold no key.
    if (sections_.empty())
        return;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return;
    std::string_view name = Trim(line.substr(0, eq));
    if (name.empty())
        return;
    std::string_view value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }

    auto section = static_cast<uint32_t>(sections_.size() - 1);
    keys_.push_back(KeyLine{lineBegin, contentEnd, lineEnd,
                            static_cast<size_t>(name.data() - text_.data()), name.size(),
                            static_cast<size_t>(value.data() - text_.data()), value.size(), section,
                            HashKey(section, name)});
    SectionBlock& block = sections_.back();
    ++block.keyCount;
    block.insertAt = lineEnd;
}

// A slot holds the upper half of the key's hash and its index + 1, so that most probes that
// do not match are told apart without reading the key line.
uint64_t ProfileDocument::slotFor(uint32_t keyIndex) const {
    return (keys_[keyIndex].hash & 0xFFFFFFFF00000000ull) | (uint64_t{keyIndex} + 1);
}

void ProfileDocument::indexKey(uint32_t keyIndex) {
    const KeyLine& k = keys_[keyIndex];
    // A repeated name in the same section is not indexed: the first line wins.
    if (findInOccurrence(k.section, slice(k.nameBegin, k.nameSize), k.hash) >= 0)
        return;
    reserveIndex(indexedKeys_ + 1);
    size_t mask = keySlots_.size() - 1;
    size_t i = k.hash & mask;
    while (keySlots_[i] != 0)
        i = (i + 1) & mask;
    keySlots_[i] = slotFor(keyIndex);
    ++indexedKeys_;
}

void ProfileDocument::reserveIndex(size_t keys) {
    size_t slots = keySlots_.size();
    while (keys * 2 > slots)
        slots *= 2;
    if (slots == keySlots_.size())
        return;
    std::vector<uint64_t> old(slots, 0);
    old.swap(keySlots_);
    size_t mask = keySlots_.size() - 1;
    for (uint64_t slot : old) {
        if (slot == 0)
            continue;
        size_t i = keys_[(slot & 0xFFFFFFFFu) - 1].hash & mask;
        while (keySlots_[i] != 0)
            i = (i + 1) & mask;
        keySlots_[i] = slot;
    }
}

long ProfileDocument::findInOccurrence(uint32_t section, std::string_view key,
                                       uint64_t hash) const {
    const size_t mask = keySlots_.size() - 1;
    const uint64_t tag = hash & 0xFFFFFFFF00000000ull;
    for (size_t i = hash & mask; keySlots_[i] != 0; i = (i + 1) & mask) {
        if ((keySlots_[i] & 0xFFFFFFFF00000000ull) != tag)
            continue;
        const size_t index = (keySlots_[i] & 0xFFFFFFFFu) - 1;
        const KeyLine& k = keys_[index];
        if (k.hash == hash && k.section == section &&
            EqualsNoCase(slice(k.nameBegin, k.nameSize), key)) {
            return static_cast<long>(index);
        }
    }
    return -1;
}

const std::vector<uint32_t>* ProfileDocument::occurrences(std::string_view section) const {
    auto it = sectionsByName_.find(ToLowerAscii(Trim(section)));
    return it == sectionsByName_.end() ? nullptr : &it->second;
}

long ProfileDocument::findKey(const std::vector<uint32_t>& sections, std::string_view key) const {
    key = Trim(key);
    for (uint32_t s : sections) {
        long found = findInOccurrence(s, key, HashKey(s, key));
        if (found >= 0)
            return found;
    }
    return -1;
}

std::optional<std::string_view> ProfileDocument::findValue(std::string_view section,
                                                           std::string_view key) const {
    const auto* occ = occurrences(section);
    if (!occ)
        return std::nullopt;
    long found = findKey(*occ, key);
    if (found < 0)
        return std::nullopt;
    const KeyLine& k = keys_[static_cast<size_t>(found)];
    return slice(k.valueBegin, k.valueSize);
}

std::string ProfileDocument::keyNames(std::string_view section) const {
    std::string out;
    const auto* occ = occurrences(section);
    if (!occ)
        return out;
    for (uint32_t s : *occ) {
        const SectionBlock& block = sections_[s];
        for (uint32_t i = block.firstKey; i < block.firstKey + block.keyCount; ++i) {
            std::string_view name = slice(keys_[i].nameBegin, keys_[i].nameSize);
            // Listed where the name first appears, across all occurrences of the section.
            if (findKey(*occ, name) != static_cast<long>(i))
                continue;
            out.append(name);
            out.push_back('\0');
        }
    }
    return out;
}

std::string ProfileDocument::sectionNames() const {
    std::string out;
    for (std::string_view name : sectionList()) {
        out.append(name);
        out.push_back('\0');
    }
    return out;
}

std::vector<std::string_view> ProfileDocument::sectionList() const {
    std::vector<std::string_view> names;
    for (const SectionBlock& block : sections_) {
        if (block.firstOfName)
            names.push_back(slice(block.nameBegin, block.nameSize));
    }
    return names;
}

std::optional<std::string_view> ProfileDocument::storedName(std::string_view section) const {
    const auto* occ = occurrences(section);
    if (!occ)
        return std::nullopt;
    const SectionBlock& block = sections_[occ->front()];
    return slice(block.nameBegin, block.nameSize);
}

std::string_view ProfileDocument::lineBreakToEnd() const {
    return LineBreakToEnd(text_);
}

ProfileDocument::Edit ProfileDocument::appendSection(
    std::string_view section,
    std::span<const std::pair<std::string_view, std::string>> keys) const {
    Edit edit;
    edit.kind = Edit::Kind::kAppend;
    edit.data.append(LineBreakToEnd(text_));
    edit.data.append("[").append(section).append("]").append(kLineBreak);
    for (const auto& [key, stored] : keys)
        edit.data.append(key).append("=").append(stored).append(kLineBreak);
    return edit;
}

ProfileDocument::Edit ProfileDocument::setValue(std::string_view section, std::string_view key,
                                                std::string_view value,
                                                std::string_view storedValue,
                                                bool allowOverwrite) const {
    Edit edit;
    const auto* occ = occurrences(section);
    if (occ) {
        long found = findKey(*occ, key);
        if (found >= 0) {
            const KeyLine& k = keys_[static_cast<size_t>(found)];
            if (slice(k.valueBegin, k.valueSize) == value)
                return edit;
            if (allowOverwrite && !hasSecondLine(*occ, key)) {
                edit = overwriteEdit(static_cast<size_t>(found), value, storedValue);
                if (edit.kind == Edit::Kind::kOverwrite)
                    return edit;
            }
            edit.kind = Edit::Kind::kRewrite;
            edit.data.reserve(text_.size() + storedValue.size() + 2);
            edit.data.append(text_, 0, k.lineBegin);
            edit.data.append(slice(k.nameBegin, k.nameSize));
            edit.data.push_back('=');
            edit.data.append(storedValue);
            edit.data.append(text_, k.contentEnd);
            return edit;
        }
    }

    std::string line;
    if (!occ) {
        line.reserve(section.size() + key.size() + storedValue.size() + 8);
        line.append("[").append(section).append("]").append(kLineBreak);
    }
    line.append(key).append("=").append(storedValue).append(kLineBreak);

    size_t at = occ ? sections_[occ->front()].insertAt : text_.size();
    if (at == text_.size()) {
        edit.kind = Edit::Kind::kAppend;
        edit.data.append(LineBreakToEnd(text_));
        edit.data.append(line);
    } else {
        edit.kind = Edit::Kind::kRewrite;
        edit.data.reserve(text_.size() + line.size());
        edit.data.append(text_, 0, at);
        edit.data.append(line);
        edit.data.append(text_, at);
    }
    return edit;
}

bool ProfileDocument::hasSecondLine(const std::vector<uint32_t>& sections,
                                    std::string_view key) const {
    key = Trim(key);
    int lines = 0;
    for (uint32_t s : sections) {
        const SectionBlock& block = sections_[s];
        for (uint32_t i = block.firstKey; i < block.firstKey + block.keyCount; ++i) {
            if (EqualsNoCase(slice(keys_[i].nameBegin, keys_[i].nameSize), key) && ++lines > 1)
                return true;
        }
    }
    return false;
}

ProfileDocument::Edit ProfileDocument::overwriteEdit(size_t keyIndex, std::string_view value,
                                                     std::string_view storedValue) const {
    Edit edit;
    const KeyLine& k = keys_[keyIndex];
    // The rewrite makes the line "name=stored"; when it reads so already, only the stored text
    // changes, and with the same length no other byte of the file moves.
    const size_t eq = k.nameBegin + k.nameSize;
    if (k.lineBegin != k.nameBegin || eq >= k.contentEnd || text_[eq] != '=')
        return edit;
    const size_t rawBegin = eq + 1;
    std::string_view raw = slice(rawBegin, k.contentEnd - rawBegin);
    if (raw.size() != storedValue.size() || raw.empty() || Trim(raw).size() != raw.size() ||
        IsQuotedWith(raw, '\'')) {
        return edit;
    }
    // Both texts must be quoted the same way, so that the value keeps its place in the line and
    // the parsed index stays true after the bytes change.
    const bool oldQuoted = IsQuotedWith(raw, '"');
    const bool newQuoted =
        IsQuotedWith(storedValue, '"') && storedValue.substr(1, storedValue.size() - 2) == value;
    if (!newQuoted && storedValue != value)
        return edit;
    if (!newQuoted && (IsQuotedWith(storedValue, '"') || IsQuotedWith(storedValue, '\'')))
        return edit;
    if (oldQuoted != newQuoted)
        return edit;
    if (Trim(storedValue).size() != storedValue.size())
        return edit;

    size_t first = 0;
    while (first < raw.size() && raw[first] == storedValue[first])
        ++first;
    size_t last = raw.size();
    while (last > first && raw[last - 1] == storedValue[last - 1])
        --last;
    if (first == last)
        return edit;
    const size_t offset = rawBegin + first;
    // A write inside one block reaches the disk whole or not at all in practice.
    if (offset / kBlockSize != (offset + (last - first) - 1) / kBlockSize)
        return edit;
    edit.kind = Edit::Kind::kOverwrite;
    edit.offset = offset;
    edit.data.assign(storedValue.substr(first, last - first));
    return edit;
}

ProfileDocument::Edit ProfileDocument::removeKey(std::string_view section,
                                                 std::string_view key) const {
    Edit edit;
    const auto* occ = occurrences(section);
    if (!occ)
        return edit;
    key = Trim(key);
    size_t from = 0;
    for (uint32_t s : *occ) {
        const SectionBlock& block = sections_[s];
        for (uint32_t i = block.firstKey; i < block.firstKey + block.keyCount; ++i) {
            const KeyLine& k = keys_[i];
            if (!EqualsNoCase(slice(k.nameBegin, k.nameSize), key))
                continue;
            edit.data.append(text_, from, k.lineBegin - from);
            from = k.lineEnd;
            edit.kind = Edit::Kind::kRewrite;
        }
    }
    if (edit.kind == Edit::Kind::kNone)
        return edit;
    edit.data.append(text_, from);
    return edit;
}

bool ProfileDocument::append(std::string_view data) {
    if (!LineBreakToEnd(text_).empty())
        return false;
    size_t from = text_.size();
    text_.append(data);
    parseFrom(from);
    return true;
}

bool ProfileDocument::overwrite(size_t offset, std::string_view data) {
    if (offset > text_.size() || data.size() > text_.size() - offset)
        return false;
    text_.replace(offset, data.size(), data);
    return true;
}

}  // namespace vellorin::profile
