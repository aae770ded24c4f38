// mInbox::MarkAllRead: a whole source marked read with one write of its inbox.

#include <cstdint>
#include <string>
#include <vector>

#include "inbox/inbox_snapshot.h"
#include "inbox/inbox_store.h"
#include "store/ini_file.h"
#include "store/profile_sweep.h"
#include "util/file_lock.h"

namespace vellorin {

MarkAllReadResult mInbox::MarkAllRead() {
    MarkAllReadResult result;
    if (!hasUsableSource() || !ensureSourceFolder())
        return result;
    const std::string path = InboxPath();
    // From the look at the flags to the write, so that a message stored meanwhile by another
    // process is either seen here or stored after.
    FileLock lock(path);
    std::vector<std::string> unread;
    {
        const InboxSnapshot inbox(path);
        for (std::string_view section : inbox.sections()) {
            // The tree's rule: a flag that is not a non-zero 16-bit number is unread.
            const long flag = cINI::CLngDefault(std::string(inbox.value(section, "read")), 0);
            if (flag == 0 || flag < INT16_MIN || flag > INT16_MAX)
                unread.emplace_back(section);
        }
    }
    if (unread.empty())
        return result;
    result.error = profile::SetKeyInSections(unread, "read", "1", path);
    if (result.error == 0)
        result.marked = static_cast<int>(unread.size());
    return result;
}

}  // namespace vellorin
