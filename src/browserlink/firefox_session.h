#pragma once

#include <cstdint>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "browserlink/address_source.h"

namespace vellorin {

// The folders where Firefox keeps its profiles and profiles.ini: the newer builds'
// (`configHome`/mozilla/firefox, where `configHome` is $XDG_CONFIG_HOME, or `home`/.config when
// that is empty or not absolute), the native build's (`home`/.mozilla/firefox), the snap's
// (snap/firefox/common/.mozilla/firefox) and the Flatpak's
// (.var/app/org.mozilla.firefox/.mozilla/firefox), in that order.
std::vector<std::string> FirefoxProfileRoots(const std::string& home,
                                             const std::string& configHome = {});

// Every profile folder under `root` that its profiles.ini names, each once: the Default of each
// [Install...] section (the profiles the installed builds use), then the [Profile...] section with
// Default=1, then the other [Profile...] sections in file order. A relative path is taken from
// `root`. Empty when profiles.ini is missing or names no profile. Reads only.
std::vector<std::string> FirefoxProfileFolders(const std::string& root);

// The JSON text inside a session file: the bytes "mozLz40\0", the decompressed size (4 bytes,
// little-endian), then one LZ4 block that must decompress to exactly that size. Nothing for
// anything else (a wrong magic, a truncated or damaged block, a size over 256 MiB).
std::optional<std::string> DecodeMozLz4(std::string_view bytes);

// The address and title of the selected tab of the selected (most recently used) window of a
// session document, as an address reply (MakeAddressReply); windows[selectedWindow - 1],
// tabs[selected - 1], entries[index - 1], each index 1-based. Nothing when the text is not JSON,
// has no windows, or an index or the address is missing or out of range. A missing title counts
// as empty.
std::optional<std::string> SessionAddressReply(std::string_view json);

// The "firefox" address source: reads the session file Firefox keeps for crash recovery
// (sessionstore-backups/recovery.jsonlz4 of a profile) and answers with its selected tab.
// Firefox rewrites that file every few seconds while it runs and removes it when it ends.
//
// Every profile that profiles.ini names under every root is looked at; of the session files
// found, the one written last answers (the profile in use, whichever build runs it). A request
// costs one stat per profile. When the answering file changed (modification time or size), it is
// read, decoded and parsed on a thread of its own, as a session can be tens of megabytes: the
// request gives the answer of the last finished read at once, and the new answer is given by the
// first request after its read ended. When a read ends, the function set with setReadDone is
// called on the reading thread (to ask the caller's own thread for a request). Where no session
// file exists, the profiles.ini files are looked at (one stat each) and the profiles located
// again when one of them changed. A file that cannot be read or decoded gives no answer until it
// changes. Never writes anything. Requests come from one thread.
class FirefoxSessionSource final : public AddressSource {
public:
    explicit FirefoxSessionSource(std::vector<std::string> profileRoots);
    // Waits for a read in progress.
    ~FirefoxSessionSource() override;
    FirefoxSessionSource(const FirefoxSessionSource&) = delete;
    FirefoxSessionSource& operator=(const FirefoxSessionSource&) = delete;

    std::optional<std::string> request() override;

    // Called on the reading thread when a read ended, after its answer is ready for the next
    // request. Set it before the first request.
    void setReadDone(std::function<void()> done) { readDone_ = std::move(done); }
    // Waits until the read in progress (if any) ended and setReadDone's function returned.
    void waitForRead();

    // How many times a session file was read and decoded.
    int reads() const { return reads_; }

private:
    struct FileStamp {
        std::int64_t seconds = 0;
        std::int64_t nanoseconds = 0;
        std::int64_t size = 0;
        bool operator==(const FileStamp&) const = default;
    };

    void locateProfiles();
    static std::optional<FileStamp> stamp(const std::string& path);
    // Takes the answer of a read that ended.
    void takeFinishedRead();

    std::vector<std::string> roots_;
    // The profiles.ini stamps the located session files were found with.
    std::vector<std::optional<FileStamp>> iniStamps_;
    std::vector<std::string> sessionFiles_;
    bool located_ = false;
    // The file and stamp of the last finished read, and its answer.
    std::string lastFile_;
    std::optional<FileStamp> lastStamp_;
    std::optional<std::string> lastReply_;
    // The read in progress: its file and stamp, its answer to come and its thread.
    std::string readingFile_;
    std::optional<FileStamp> readingStamp_;
    std::future<std::optional<std::string>> reading_;
    std::thread reader_;
    std::function<void()> readDone_;
    int reads_ = 0;
};

}  // namespace vellorin
