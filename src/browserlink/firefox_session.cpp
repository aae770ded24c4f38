#include "browserlink/firefox_session.h"

#include <sys/stat.h>

#include <lz4.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <tuple>
#include <utility>

#include "store/profile_file.h"

namespace vellorin {
namespace {

constexpr std::string_view kMagic{"mozLz40\0", 8};
constexpr std::size_t kHeaderSize = 12;
// Far above any real session; keeps a damaged size field from asking for gigabytes.
constexpr std::uint32_t kMaxDecodedSize = 256u * 1024 * 1024;
constexpr const char* kSessionFile = "/sessionstore-backups/recovery.jsonlz4";

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

std::vector<std::string> SplitAtNul(const std::string& list) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < list.size()) {
        const std::size_t end = list.find('\0', start);
        const std::size_t stop = end == std::string::npos ? list.size() : end;
        if (stop > start)
            names.push_back(list.substr(start, stop - start));
        start = stop + 1;
    }
    return names;
}

std::string ProfileFolder(const std::string& root, const std::string& path) {
    if (path.empty())
        return {};
    return path.front() == '/' ? path : root + "/" + path;
}

// The 1-based element `index` of `array`, or null when there is none.
const nlohmann::json* Element(const nlohmann::json& object, const char* arrayKey,
                              const char* indexKey) {
    if (!object.is_object())
        return nullptr;
    auto array = object.find(arrayKey);
    if (array == object.end() || !array->is_array())
        return nullptr;
    auto index = object.find(indexKey);
    if (index == object.end() || !index->is_number_integer())
        return nullptr;
    const auto i = index->get<std::int64_t>();
    if (i < 1 || static_cast<std::uint64_t>(i) > array->size())
        return nullptr;
    return &(*array)[static_cast<std::size_t>(i - 1)];
}

std::optional<std::string> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

}  // namespace

std::vector<std::string> FirefoxProfileRoots(const std::string& home,
                                             const std::string& configHome) {
    // A relative $XDG_CONFIG_HOME is invalid and ignored.
    const std::string config =
        !configHome.empty() && configHome.front() == '/' ? configHome : home + "/.config";
    return {config + "/mozilla/firefox", home + "/.mozilla/firefox",
            home + "/snap/firefox/common/.mozilla/firefox",
            home + "/.var/app/org.mozilla.firefox/.mozilla/firefox"};
}

std::vector<std::string> FirefoxProfileFolders(const std::string& root) {
    const std::string ini = root + "/profiles.ini";
    auto value = [&](const std::string& section, const char* key) {
        return profile::GetPrivateProfileString(section, key, "", ini);
    };
    const std::vector<std::string> sections =
        SplitAtNul(profile::GetPrivateProfileString(std::nullopt, std::nullopt, "", ini));
    std::vector<std::string> folders;
    auto add = [&](std::string folder) {
        if (!folder.empty() && std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(std::move(folder));
    };
    for (const std::string& section : sections) {
        if (StartsWithNoCase(section, "Install"))
            add(ProfileFolder(root, value(section, "Default")));
    }
    std::vector<std::string> others;
    bool defaultTaken = false;
    for (const std::string& section : sections) {
        if (!StartsWithNoCase(section, "Profile"))
            continue;
        const std::string path = value(section, "Path");
        if (path.empty())
            continue;
        // IsRelative=0 marks an absolute path; a relative one starts below the root.
        std::string folder =
            value(section, "IsRelative") == "0" && path.front() == '/' ? path : root + "/" + path;
        if (!defaultTaken && value(section, "Default") == "1") {
            defaultTaken = true;
            add(std::move(folder));
        } else {
            others.push_back(std::move(folder));
        }
    }
    for (std::string& folder : others)
        add(std::move(folder));
    return folders;
}

std::optional<std::string> DecodeMozLz4(std::string_view bytes) {
    if (bytes.size() < kHeaderSize || bytes.substr(0, kMagic.size()) != kMagic)
        return std::nullopt;
    const auto* size = reinterpret_cast<const unsigned char*>(bytes.data() + kMagic.size());
    const std::uint32_t decoded = std::uint32_t(size[0]) | std::uint32_t(size[1]) << 8 |
                                  std::uint32_t(size[2]) << 16 | std::uint32_t(size[3]) << 24;
    if (decoded > kMaxDecodedSize)
        return std::nullopt;
    const std::string_view block = bytes.substr(kHeaderSize);
    if (block.size() > static_cast<std::size_t>(LZ4_MAX_INPUT_SIZE))
        return std::nullopt;
    std::string text(decoded, '\0');
    const int written = LZ4_decompress_safe(
        block.data(), text.data(), static_cast<int>(block.size()), static_cast<int>(decoded));
    if (written < 0 || static_cast<std::uint32_t>(written) != decoded)
        return std::nullopt;
    return text;
}

std::optional<std::string> SessionAddressReply(std::string_view json) {
    const nlohmann::json session = nlohmann::json::parse(json, nullptr, false);
    if (session.is_discarded())
        return std::nullopt;
    const nlohmann::json* window = Element(session, "windows", "selectedWindow");
    const nlohmann::json* tab = window ? Element(*window, "tabs", "selected") : nullptr;
    const nlohmann::json* entry = tab ? Element(*tab, "entries", "index") : nullptr;
    if (entry == nullptr || !entry->is_object())
        return std::nullopt;
    auto url = entry->find("url");
    if (url == entry->end() || !url->is_string() || url->get_ref<const std::string&>().empty())
        return std::nullopt;
    std::string title;
    if (auto t = entry->find("title"); t != entry->end() && t->is_string())
        title = t->get<std::string>();
    return MakeAddressReply(url->get<std::string>(), title);
}

FirefoxSessionSource::FirefoxSessionSource(std::vector<std::string> profileRoots)
    : roots_(std::move(profileRoots)) {}

FirefoxSessionSource::~FirefoxSessionSource() {
    waitForRead();
}

void FirefoxSessionSource::waitForRead() {
    if (reader_.joinable())
        reader_.join();
}

std::optional<FirefoxSessionSource::FileStamp> FirefoxSessionSource::stamp(
    const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return FileStamp{static_cast<std::int64_t>(st.st_mtim.tv_sec),
                     static_cast<std::int64_t>(st.st_mtim.tv_nsec),
                     static_cast<std::int64_t>(st.st_size)};
}

void FirefoxSessionSource::locateProfiles() {
    located_ = true;
    iniStamps_.clear();
    sessionFiles_.clear();
    for (const std::string& root : roots_) {
        iniStamps_.push_back(stamp(root + "/profiles.ini"));
        if (!iniStamps_.back())
            continue;
        for (const std::string& folder : FirefoxProfileFolders(root))
            sessionFiles_.push_back(folder + kSessionFile);
    }
}

void FirefoxSessionSource::takeFinishedRead() {
    if (!reading_.valid() ||
        reading_.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return;
    lastReply_ = reading_.get();
    lastFile_ = std::move(readingFile_);
    lastStamp_ = readingStamp_;
    waitForRead();
}

std::optional<std::string> FirefoxSessionSource::request() {
    takeFinishedRead();
    if (!located_)
        locateProfiles();
    const std::string* newestFile = nullptr;
    std::optional<FileStamp> newest;
    auto findNewest = [&] {
        for (const std::string& file : sessionFiles_) {
            std::optional<FileStamp> found = stamp(file);
            if (found && (!newest || std::tie(found->seconds, found->nanoseconds) >
                                         std::tie(newest->seconds, newest->nanoseconds))) {
                newest = found;
                newestFile = &file;
            }
        }
    };
    findNewest();
    if (!newest) {
        // Firefox is not running, or its profiles moved (installed, a new profile): locate them
        // again when a profiles.ini changed.
        for (std::size_t i = 0; i < roots_.size(); ++i) {
            if (stamp(roots_[i] + "/profiles.ini") != iniStamps_[i]) {
                locateProfiles();
                findNewest();
                break;
            }
        }
        if (!newest)
            return std::nullopt;
    }
    // Unchanged since the last read, or a read in progress (the next request after it ended
    // looks again).
    if ((*newestFile == lastFile_ && newest == lastStamp_) || reading_.valid())
        return lastReply_;
    readingFile_ = *newestFile;
    readingStamp_ = newest;
    ++reads_;
    std::promise<std::optional<std::string>> answer;
    reading_ = answer.get_future();
    reader_ =
        std::thread([path = readingFile_, done = readDone_, answer = std::move(answer)]() mutable {
            const std::optional<std::string> bytes = ReadFile(path);
            const std::optional<std::string> json = bytes ? DecodeMozLz4(*bytes) : std::nullopt;
            answer.set_value(json ? SessionAddressReply(*json) : std::nullopt);
            if (done)
                done();
        });
    return lastReply_;
}

}  // namespace vellorin
