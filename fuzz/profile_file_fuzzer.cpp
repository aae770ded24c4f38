// The INI layer (cINI over the profile-file functions) against a small model of its rules.
//
// The model is the file as a reader sees it: the set of section names and the value of each
// (section, key), names compared without surrounding blanks and without regard to ASCII letter
// case. It starts as whatever a fuzzed file reads as, then follows the program's writes:
// - a key written reads back as written, and the write succeeds exactly when the names and the
//   value can be stored; several keys written at once likewise;
// - a key or section removed is gone;
// - every other key keeps its value, and a failed call leaves the file's bytes alone;
// - what the reads see through the parse cache (kept up to date by the writes in place) is what
//   a fresh parse of the stored file gives.
//
// Input: FuzzedDataProvider takes the padding choice from the end, then the file's text, then
// the operations. Padding puts the file past the size where sections are removed by blanking.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "store/ini_file.h"
#include "store/profile_file.h"

namespace vellorin::fuzz {
namespace {

// A name as every lookup takes it.
std::string Norm(std::string_view name) {
    const std::size_t first = name.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    std::string out(name.substr(first, name.find_last_not_of(" \t") - first + 1));
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

struct Model {
    std::set<std::string> sections;
    std::map<std::pair<std::string, std::string>, std::string> values;
    bool operator==(const Model&) const = default;
};

std::string Describe(const Model& model) {
    std::string out;
    for (const std::string& section : model.sections) {
        out += "  [" + Quoted(section) + "]\n";
        for (const auto& [name, value] : model.values) {
            if (name.first == section)
                out += "    " + Quoted(name.second) + " = " + Quoted(value) + "\n";
        }
    }
    return out;
}

// What the file reads as, through the profile functions.
Model Read(const std::string& path) {
    Model model;
    for (const std::string& section :
         SplitNulList(profile::GetPrivateProfileString(std::nullopt, std::nullopt, "", path))) {
        model.sections.insert(Norm(section));
        for (const std::string& key :
             SplitNulList(profile::GetPrivateProfileString(section, std::nullopt, "", path))) {
            model.values[{Norm(section), Norm(key)}] =
                profile::GetPrivateProfileString(section, key, "", path);
        }
    }
    return model;
}

bool HasLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}
bool StorableSection(std::string_view name) {
    return !Norm(name).empty() && !HasLineBreakOrNul(name) && name.find(']') == std::string::npos;
}
bool StorableKey(std::string_view name) {
    const std::string norm = Norm(name);
    return !norm.empty() && !HasLineBreakOrNul(name) && name.find('=') == std::string::npos &&
           norm[0] != '[' && norm[0] != ';';
}
std::string WithoutNuls(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c != '\0')
            out += c;
    }
    return out;
}

// The name lists of the profile functions end each name with a NUL, so a name that holds one
// cannot be told from two; the fuzzed file keeps its NULs only where no name can be: in the
// value of a key line. Every other NUL becomes character 1. Whether a lone CR ends a line or
// not, a kept NUL is in a value.
std::string NulsOnlyInValues(std::string text) {
    std::vector<bool> inName(text.size(), false);
    for (const bool crEndsLine : {false, true}) {
        bool name = true;
        bool lineStart = true;
        bool header = false;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '\n' || (crEndsLine && c == '\r')) {
                name = lineStart = true;
                header = false;
                continue;
            }
            if (lineStart && c != ' ' && c != '\t') {
                lineStart = false;
                header = c == '[';
            }
            if (c == '=' && !header)
                name = false;
            if (name)
                inName[i] = true;
        }
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\0' && inName[i])
            text[i] = '\x01';
    }
    return text;
}

class Session {
public:
    Session(FuzzedDataProvider& input, std::string path)
        : input_(input), path_(std::move(path)), model_(Read(path_)) {}

    void run() {
        for (int step = 0; step < 12 && input_.remaining_bytes() > 0; ++step) {
            const std::string before = ReadFile(path_);
            cINI ini;
            ini.Path(path_);
            ini.Section(name(true));
            std::string what = "[" + Quoted(ini.Section()) + "] ";
            bool succeeded = false;
            switch (input_.ConsumeIntegralInRange(0, 3)) {
                case 0: {
                    ini.Key(name(false));
                    const std::string value = input_.ConsumeRandomLengthString(48);
                    what += "set " + Quoted(ini.Key()) + " = " + Quoted(value);
                    ini.Value(value);
                    succeeded = ini.Success();
                    const std::string stored = WithoutNuls(value);
                    FUZZ_CHECK(succeeded == (StorableSection(ini.Section()) &&
                                             StorableKey(ini.Key()) && !HasLineBreakOrNul(stored)),
                               what);
                    if (succeeded)
                        set(ini.Section(), ini.Key(), stored);
                    break;
                }
                case 1: {
                    std::vector<std::pair<std::string, std::string>> keys;
                    std::set<std::string> names;
                    bool storable = StorableSection(ini.Section());
                    const int count = input_.ConsumeIntegralInRange(1, 3);
                    for (int i = 0; i < count; ++i) {
                        std::string key = name(false);
                        if (!names.insert(Norm(key)).second)
                            continue;
                        std::string value = input_.ConsumeRandomLengthString(48);
                        storable =
                            storable && StorableKey(key) && !HasLineBreakOrNul(WithoutNuls(value));
                        what += "set " + Quoted(key) + " = " + Quoted(value) + "; ";
                        keys.emplace_back(std::move(key), std::move(value));
                    }
                    std::vector<std::pair<std::string_view, std::string_view>> views;
                    for (const auto& [key, value] : keys)
                        views.emplace_back(key, value);
                    ini.Values(views);
                    succeeded = ini.Success();
                    FUZZ_CHECK(succeeded == storable, what);
                    if (succeeded) {
                        for (const auto& [key, value] : keys)
                            set(ini.Section(), key, WithoutNuls(value));
                    }
                    break;
                }
                case 2: {
                    ini.Key(name(false));
                    what += "delete key " + Quoted(ini.Key());
                    ini.DeleteKey();
                    succeeded = ini.Success();
                    if (succeeded)
                        model_.values.erase({Norm(ini.Section()), Norm(ini.Key())});
                    break;
                }
                case 3: {
                    what += "delete section";
                    ini.DeleteSection();
                    succeeded = ini.Success();
                    if (succeeded) {
                        const std::string section = Norm(ini.Section());
                        model_.sections.erase(section);
                        std::erase_if(model_.values, [&](const auto& entry) {
                            return entry.first.first == section;
                        });
                    }
                    break;
                }
            }
            log_ += what + (succeeded ? "\n" : " (failed)\n");
            if (!succeeded)
                FUZZ_CHECK(ReadFile(path_) == before, log_ + "a failed call changed the file");
            check();
        }
    }

private:
    // A section or key name: often one the file holds, in another letter case or with blanks
    // around it, so that the writes meet the file's own lines; otherwise a new one.
    std::string name(bool section) {
        std::vector<std::string> known;
        for (const std::string& s : model_.sections)
            known.push_back(s);
        if (!section) {
            known.clear();
            for (const auto& entry : model_.values)
                known.push_back(entry.first.second);
        }
        if (known.empty() || !input_.ConsumeBool())
            return input_.ConsumeRandomLengthString(16);
        std::string chosen = known[input_.ConsumeIntegralInRange<std::size_t>(0, known.size() - 1)];
        for (char& c : chosen) {
            if (c >= 'a' && c <= 'z' && input_.ConsumeBool())
                c = static_cast<char>(c - 'a' + 'A');
        }
        if (input_.ConsumeBool())
            chosen = " " + chosen + "\t";
        return chosen;
    }

    void set(const std::string& section, const std::string& key, const std::string& value) {
        model_.sections.insert(Norm(section));
        model_.values[{Norm(section), Norm(key)}] = value;
    }

    void check() {
        const Model cached = Read(path_);
        profile::ClearProfileCache();
        const Model fresh = Read(path_);
        // Only a failed check spells out the file.
        const auto file = [&] { return "file: " + Quoted(ReadFile(path_)) + "\n"; };
        FUZZ_CHECK(cached == fresh, log_ + file() + "the cache reads\n" + Describe(cached) +
                                        "a fresh parse\n" + Describe(fresh));
        FUZZ_CHECK(fresh == model_,
                   log_ + file() + "expected\n" + Describe(model_) + "read\n" + Describe(fresh));
    }

    FuzzedDataProvider& input_;
    const std::string path_;
    Model model_;
    std::string log_;
};

}  // namespace
}  // namespace vellorin::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vellorin;
    using namespace vellorin::fuzz;
    static const ScratchFolder scratch;
    static const std::string folder = scratch.freshFolder("profile");
    const std::string path = folder + "/fuzzed.ini";
    profile::ClearProfileCache();

    FuzzedDataProvider input(data, size);
    constexpr std::size_t kLargeFile = 256 * 1024;
    std::string padding;
    // Mostly small files; two values of the last byte of sixteen ask for a large one.
    switch (input.ConsumeIntegralInRange(0, 15)) {
        case 14:  // a long comment above the first section
            padding = ";" + std::string(kLargeFile, 'x') + "\r\n";
            break;
        case 15:  // blank lines, as removals in place leave them
            padding = std::string(kLargeFile, ' ') + "\r\n";
            break;
    }
    std::string text = NulsOnlyInValues(input.ConsumeRandomLengthString(4096));
    WriteFile(path, padding + text);
    Session(input, path).run();
    return 0;
}
