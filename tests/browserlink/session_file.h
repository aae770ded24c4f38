#pragma once

// Firefox session files as the tests write them: JSON compressed into the "mozLz40" container.

#include <lz4.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace vellorin::test {

inline std::string MozLz4(std::string_view json) {
    std::string out("mozLz40\0", 8);
    const auto size = static_cast<std::uint32_t>(json.size());
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((size >> shift) & 0xff));
    std::string block(static_cast<std::size_t>(LZ4_compressBound(static_cast<int>(json.size()))),
                      '\0');
    const int written = LZ4_compress_default(
        json.data(), block.data(), static_cast<int>(json.size()), static_cast<int>(block.size()));
    block.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return out + block;
}

// A session of two windows; the second is selected and shows `url` with `title` in its second tab
// (whose history holds an older page before it).
inline std::string SessionJson(const std::string& url, const std::string& title) {
    return R"({"version":["sessionrestore",1],"selectedWindow":2,"windows":[)"
           R"({"tabs":[{"entries":[{"url":"https://first.example/","title":"First"}],"index":1}],)"
           R"("selected":1},)"
           R"({"tabs":[{"entries":[{"url":"about:blank"}],"index":1},)"
           R"({"entries":[{"url":"https://old.example/","title":"Old"},)"
           R"({"url":")" +
           url + R"(","title":")" + title +
           R"("}],"index":2}],"selected":2}],"_closedWindows":[]})";
}

// profiles.ini of a root with one profile folder `folder`, named by an [Install] section.
inline std::string ProfilesIni(const std::string& folder) {
    return "[Install4F96D1932A9F858E]\nDefault=" + folder +
           "\nLocked=1\n\n[Profile0]\nName=default-release\nIsRelative=1\nPath=" + folder +
           "\nDefault=1\n\n[General]\nStartWithLastProfile=1\nVersion=2\n";
}

}  // namespace vellorin::test
