#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "base/user_seam.h"

namespace vellorin::fuzz {

// Stops the run when a property does not hold: libFuzzer takes the abort as a crash and keeps
// the input that caused it.
[[noreturn]] inline void Fail(const char* file, int line, const char* condition,
                              const std::string& detail) {
    std::fprintf(stderr, "\n%s:%d: property violated: %s\n%s\n", file, line, condition,
                 detail.c_str());
    std::abort();
}

#define FUZZ_CHECK(condition, detail)                                         \
    do {                                                                      \
        if (!(condition))                                                     \
            ::vellorin::fuzz::Fail(__FILE__, __LINE__, #condition, (detail)); \
    } while (false)

// A byte string in C notation, for the messages of failed checks.
inline std::string Quoted(std::string_view bytes) {
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out + "\"";
}

// The pieces of a list whose items each end with a NUL, as the profile layer gives names.
inline std::vector<std::string> SplitNulList(std::string_view list) {
    std::vector<std::string> out;
    std::size_t from = 0;
    for (std::size_t at = list.find('\0'); at != std::string_view::npos;
         at = list.find('\0', from)) {
        out.emplace_back(list.substr(from, at - from));
        from = at + 1;
    }
    if (from < list.size())
        out.emplace_back(list.substr(from));
    return out;
}

// One folder under TMPDIR for the whole run of a target, removed when the process ends normally.
// A target that stops on a crash leaves it behind; scripts/fuzz.sh points TMPDIR at a folder of
// its own for that reason.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = std::filesystem::temp_directory_path() / "vellorin-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(std::string_view name) const { return path_ + "/" + std::string(name); }

    // An empty folder `name` inside, whatever was there before.
    std::string freshFolder(std::string_view name) const {
        const std::string folder = file(name);
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
        std::filesystem::create_directories(folder);
        return folder;
    }

private:
    std::string path_;
};

// The bytes of a file; empty when it cannot be read.
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return {};
    std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

inline void WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A user who is never asked anything: the targets run the core without interactive boxes, so a
// box that does come is counted for the checks and answered with its first button.
class QuietSeam final : public UserSeam {
public:
    MsgAnswer messageBox(const MessageBoxRequest& request) override {
        ++boxes;
        lastCaption = request.caption;
        switch (request.buttons) {
            case MsgButtons::YesNo:
            case MsgButtons::YesNoCancel:
                return MsgAnswer::Yes;
            default:
                return MsgAnswer::OK;
        }
    }
    using UserSeam::messageBox;
    void processEvents() override {}
    void pause(int) override {}

    int boxes = 0;
    std::string lastCaption;
};

}  // namespace vellorin::fuzz
