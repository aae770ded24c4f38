#include "inbox/inbox_snapshot.h"

#include <optional>

#include "config/profile_document.h"
#include "util/atomic_file.h"

namespace vellorin {

InboxSnapshot::InboxSnapshot(const std::string& path) {
    std::optional<std::string> text = ReadWholeFile(path);
    doc_ = std::make_unique<profile::ProfileDocument>(text ? std::move(*text) : std::string());
    names_ = doc_->sectionNames();
    std::string_view list(names_);
    size_t start = 0;
    for (size_t nul = list.find('\0'); nul != std::string_view::npos;
         nul = list.find('\0', start)) {
        if (nul > start)
            sections_.push_back(list.substr(start, nul - start));
        start = nul + 1;
    }
}

InboxSnapshot::~InboxSnapshot() = default;

std::string_view InboxSnapshot::value(std::string_view section, std::string_view key) const {
    return doc_->findValue(section, key).value_or(std::string_view());
}

}  // namespace vellorin
