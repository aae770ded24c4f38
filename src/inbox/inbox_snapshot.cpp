#include "inbox/inbox_snapshot.h"

#include "store/profile_cache.h"
#include "store/profile_document.h"
#include "store/profile_journal.h"
#include "util/file_lock.h"

namespace vellorin {

InboxSnapshot::InboxSnapshot(const std::string& path) {
    // The parse is the profile layer's cached one, so the writes that usually follow (a check
    // run's new messages, a click on a message) find the file parsed already.
    {
        // A writer appends under the lock: reading under it too never meets half an append.
        FileLock lock(path);
        (void)profile::RecoverInterruptedAppend(path);
        doc_ = profile::ProfileCache::instance().load(path).doc;
    }
    if (!doc_)
        doc_ = std::make_shared<profile::ProfileDocument>();
    for (std::string_view name : doc_->sectionList()) {
        // The nameless section "[]" stands for no message.
        if (!name.empty())
            sections_.push_back(name);
    }
}

InboxSnapshot::~InboxSnapshot() = default;

std::string_view InboxSnapshot::value(std::string_view section, std::string_view key) const {
    return doc_->findValue(section, key).value_or(std::string_view());
}

std::optional<std::string_view> InboxSnapshot::storedName(std::string_view section) const {
    return doc_->storedName(section);
}

}  // namespace vellorin
