#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vellorin {

namespace profile {
class ProfileDocument;
}

// One reading of an inbox file for the operations that walk every message (LoadInbox,
// LoadLatestStamp, a feed's merge): the profile-file layer's parse of the file, so the rules are
// exactly those every cINI read follows, without one file check per value. The file is read under
// the folder lock, after an append that a crash interrupted has been undone, so a snapshot never
// holds a torn message. Reflects the file as it was when read; made afresh by each operation, and
// let go before the file is written (a parse still held here could not take in a change made in
// place).
class InboxSnapshot {
public:
    // Reads the file. A missing or unreadable file gives a snapshot without sections.
    explicit InboxSnapshot(const std::string& path);
    ~InboxSnapshot();
    InboxSnapshot(const InboxSnapshot&) = delete;
    InboxSnapshot& operator=(const InboxSnapshot&) = delete;

    // The stored section names in file order, each once and whole (the nameless section left
    // out); valid while the snapshot lives.
    const std::vector<std::string_view>& sections() const { return sections_; }
    // The stored text of section/key as a cINI read gives it; empty when absent.
    std::string_view value(std::string_view section, std::string_view key) const;
    // How the file spells `section` (lookups ignore blanks around it and ASCII letter case), as
    // cINI::StoredSection gives it; nullopt when absent.
    std::optional<std::string_view> storedName(std::string_view section) const;

private:
    std::shared_ptr<profile::ProfileDocument> doc_;
    std::vector<std::string_view> sections_;
};

}  // namespace vellorin
