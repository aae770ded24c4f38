#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

// The line and blank rules of the INI text, shared by the document and the file layer.
namespace vellorin::profile {

inline constexpr std::string_view kLineBreak = "\r\n";

// Blanks around names and values are spaces and tabs.
inline bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

inline char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// What has to come before a line appended to `text` so that it starts a line of its own. The
// reader ends the last line at a CR with no LF after it (a file cut between the two), so only the
// LF is missing then; adding CR LF would leave that CR inside the line.
inline std::string_view LineBreakToEnd(std::string_view text) {
    if (text.empty() || text.back() == '\n')
        return {};
    if (text.back() == '\r')
        return "\n";
    return kLineBreak;
}

// Calls `line(begin, contentEnd, end)` for each line of `text` from `pos` on: `contentEnd` is
// where the line break starts, `end` where the next line starts. A line break is LF or CR LF; a CR
// that ends the text also ends its last line (see LineBreakToEnd).
template <typename LineFunction>
void ForEachLine(std::string_view text, std::size_t pos, LineFunction&& line) {
    const char* base = text.data();
    const std::size_t size = text.size();
    while (pos < size) {
        const void* nl = std::memchr(base + pos, '\n', size - pos);
        std::size_t contentEnd =
            nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - base) : size;
        const std::size_t lineEnd = nl ? contentEnd + 1 : size;
        if (contentEnd > pos && base[contentEnd - 1] == '\r')
            --contentEnd;
        line(pos, contentEnd, lineEnd);
        pos = lineEnd;
    }
}

}  // namespace vellorin::profile
