#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browserlink/address_source.h"

namespace vellorin {

// The folders under `home` where Firefox keeps its profiles and profiles.ini: the native build's
// (.mozilla/firefox), the snap's (snap/firefox/common/.mozilla/firefox) and the Flatpak's
// (.var/app/org.mozilla.firefox/.mozilla/firefox), in that order.
std::vector<std::string> FirefoxProfileRoots(const std::string& home);

// The default profile's folder under `root`, by its profiles.ini: the Default of an [Install...]
// section (the profile the installed build uses), else the [Profile...] section with Default=1,
// else the first [Profile...] section. A relative path is taken from `root`. Empty when
// profiles.ini is missing or names no profile. Reads only.
std::string DefaultFirefoxProfile(const std::string& root);

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
// (sessionstore-backups/recovery.jsonlz4 of the default profile) and answers with its selected
// tab. Firefox rewrites that file every few seconds while it runs and removes it when it ends.
//
// The file is read and decoded only when its modification time or size changed since the last
// read; a request that finds it unchanged costs one stat per located file and gives the answer of
// that last read again. With several profile roots holding a session file (native and snap
// builds both used), the one written last answers. Where no session file exists, the profiles.ini
// files are looked at (one stat each) and the profiles located again when one of them changed. A
// file that cannot be read or decoded gives no answer until it changes. Never writes anything.
class FirefoxSessionSource final : public AddressSource {
public:
    explicit FirefoxSessionSource(std::vector<std::string> profileRoots);

    std::optional<std::string> request() override;

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

    std::vector<std::string> roots_;
    // The profiles.ini stamps the located session files were found with.
    std::vector<std::optional<FileStamp>> iniStamps_;
    std::vector<std::string> sessionFiles_;
    bool located_ = false;
    std::string lastFile_;
    std::optional<FileStamp> lastStamp_;
    std::optional<std::string> lastReply_;
    int reads_ = 0;
};

}  // namespace vellorin
