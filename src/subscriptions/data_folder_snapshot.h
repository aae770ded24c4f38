#pragma once

#include <map>
#include <string>
#include <vector>

#include "store/profile_cache.h"

namespace vellorin {

// The data folder at one moment, as far as the message tree shows it: the identity (inode, size,
// times) of the subscription list and of the inbox file in each source folder. Taken without
// reading any file, so it costs one stat per source; two of them tell what changed in between,
// whoever changed it.
struct DataFolderSnapshot {
    // A missing file keeps the default identity (size -1).
    profile::FileIdentity subscriptions;
    // Every folder directly inside the data folder (symbolic links and hidden names left out), by
    // name, with the identity of the inbox file in it.
    std::map<std::string, profile::FileIdentity> inboxes;

    bool operator==(const DataFolderSnapshot&) const = default;
};

// What differs between two snapshots.
struct DataFolderChanges {
    bool subscriptions = false;
    // The source folders whose inbox file appeared, went or changed, or that appeared or went
    // themselves; in name order.
    std::vector<std::string> inboxes;

    bool empty() const { return !subscriptions && inboxes.empty(); }
};

DataFolderSnapshot TakeDataFolderSnapshot(const std::string& dataFolder);

DataFolderChanges ChangesBetween(const DataFolderSnapshot& before, const DataFolderSnapshot& after);

// What to watch so that every change a snapshot would see is reported: the data folder (a list
// or a source folder replaced, added or removed), the list itself (changed in place), each source
// folder (its inbox replaced by rename) and each inbox file (changed in place); in that order.
std::vector<std::string> WatchedPaths(const std::string& dataFolder,
                                      const DataFolderSnapshot& snapshot);

}  // namespace vellorin
