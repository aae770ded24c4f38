#include "inbox/inbox_names.h"

#include "base/constants.h"
#include "base/helpers.h"

namespace vellorin {
namespace {

constexpr char kHex[] = "0123456789abcdef";

bool IsBlankChar(char c) {
    return c == ' ' || c == '\t';
}

int LowerHexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

int AnyHexValue(char c) {
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return LowerHexValue(c);
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Three scans with memchr: find_first_of would test each character against the set in turn.
bool HoldsLineBreakOrNul(std::string_view text) {
    return text.find('\n') != text.npos || text.find('\r') != text.npos ||
           text.find('\0') != text.npos;
}

// The decoded guid of an escaped name, or false when `name` is not a well-formed escaped name.
bool DecodeEscapedName(std::string_view name, std::string& out) {
    if (!StartsWith(name, kEscapedNamePrefix))
        return false;
    std::string_view digits = name.substr(kEscapedNamePrefix.size());
    if (digits.empty() || digits.size() % 2 != 0)
        return false;
    out.clear();
    out.reserve(digits.size() / 2);
    for (size_t i = 0; i < digits.size(); i += 2) {
        int hi = LowerHexValue(digits[i]);
        int lo = LowerHexValue(digits[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out.push_back(static_cast<char>(hi * 16 + lo));
    }
    return true;
}

}  // namespace

bool NeedsEscapedSectionName(std::string_view guid) {
    return guid.empty() || HoldsLineBreakOrNul(guid) || guid.find(']') != std::string_view::npos ||
           IsBlankChar(guid.front()) || IsBlankChar(guid.back()) ||
           EqualsNoCase(guid.substr(0, kEscapedNamePrefix.size()), kEscapedNamePrefix);
}

std::string EscapedSectionName(std::string_view guid) {
    std::string out(kEscapedNamePrefix);
    out.reserve(out.size() + guid.size() * 2);
    for (char c : guid) {
        auto b = static_cast<unsigned char>(c);
        out.push_back(kHex[b >> 4]);
        out.push_back(kHex[b & 0x0F]);
    }
    return out;
}

std::optional<std::string> FindSectionForGuid(std::string_view guid,
                                              const StoredSectionLookup& storedName) {
    if (guid.empty())
        return std::nullopt;
    for (const std::string& candidate : {std::string(guid), EscapedSectionName(guid)}) {
        std::optional<std::string> stored = storedName(candidate);
        if (stored && SectionNameIsGuid(*stored, guid))
            return stored;
    }
    return std::nullopt;
}

std::string SectionNameForGuid(std::string_view guid, const StoredSectionLookup& storedName) {
    if (std::optional<std::string> found = FindSectionForGuid(guid, storedName))
        return *found;
    // A plain name in another letter case would be taken for the other message's section.
    if (NeedsEscapedSectionName(guid) || storedName(guid))
        return EscapedSectionName(guid);
    return std::string(guid);
}

std::string GuidFromSectionName(std::string_view name) {
    std::string decoded;
    if (DecodeEscapedName(name, decoded))
        return decoded;
    return std::string(name);
}

bool SectionNameIsGuid(std::string_view name, std::string_view guid) {
    if (!StartsWith(name, kEscapedNamePrefix))
        return name == guid;
    std::string decoded;
    if (!DecodeEscapedName(name, decoded))
        return name == guid;
    return decoded == guid;
}

std::string EncodeInboxValue(std::string_view value) {
    if (!HoldsLineBreakOrNul(value) && !StartsWith(value, kEscapedValuePrefix))
        return std::string(value);
    std::string out(kEscapedValuePrefix);
    out.reserve(out.size() + value.size() + 16);
    for (char c : value) {
        switch (c) {
            case '%':
                out.append("%25");
                break;
            case '\r':
                out.append("%0D");
                break;
            case '\n':
                out.append("%0A");
                break;
            case '\0':
                out.append("%00");
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

std::string DecodeInboxValue(std::string_view stored) {
    if (!StartsWith(stored, kEscapedValuePrefix))
        return std::string(stored);
    std::string_view body = stored.substr(kEscapedValuePrefix.size());
    std::string out;
    out.reserve(body.size());
    for (size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '%' && i + 2 < body.size()) {
            int hi = AnyHexValue(body[i + 1]);
            int lo = AnyHexValue(body[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.push_back(static_cast<char>(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        out.push_back(body[i]);
    }
    return out;
}

std::string EncodeDescription(std::string_view description) {
    if (description.find('\n') == description.npos)
        return EncodeInboxValue(description);
    // Each line break (CR LF or a lone LF) becomes one separator; the text between is copied
    // as it is.
    std::string lines;
    lines.reserve(description.size());
    std::size_t from = 0;
    for (std::size_t lf = description.find('\n'); lf != description.npos;
         lf = description.find('\n', from)) {
        const std::size_t end = lf > from && description[lf - 1] == '\r' ? lf - 1 : lf;
        lines.append(description, from, end - from);
        lines.push_back(kFieldSeparator);
        from = lf + 1;
    }
    lines.append(description, from);
    return EncodeInboxValue(lines);
}

std::string DecodeDescription(std::string_view stored) {
    std::string value = DecodeInboxValue(stored);
    std::string out;
    out.reserve(value.size() + value.size() / 32);
    for (char c : value) {
        if (c == kFieldSeparator)
            out.append("\r\n");
        else
            out.push_back(c);
    }
    return out;
}

}  // namespace vellorin
