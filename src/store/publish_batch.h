#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "util/unique_fd.h"

namespace vellorin::profile {

// New files whose flush to disk and rename into place are done together, later.
//
// Putting a new file in place safely takes a flush (fsync) before the rename, so that a crash can
// never leave a named file with only part of its bytes. Each flush waits for the disk; a check run
// that creates two hundred inboxes one after the other would spend most of its time there. While a
// PublishBatchScope is active on a thread, ProfileCache::rewrite of a file that does not exist yet
// (or is empty) writes the temporary file and hands it to the batch instead; publish() then
// flushes all of them at once, on several threads, and renames each one whose flush succeeded.
//
// Until publish() the path is unchanged (missing or empty): a crash or kill before it leaves
// nothing but temporary files, which no reader takes for the file. The caller keeps the folder
// lock of every batched path until publish() returned, and must not read a batched path before
// that, since it still shows the old state.
class PublishBatch {
public:
    PublishBatch() = default;
    // Removes the temporary files of whatever was not published: their paths stay as they were.
    ~PublishBatch();
    PublishBatch(const PublishBatch&) = delete;
    PublishBatch& operator=(const PublishBatch&) = delete;

    // Takes the written temporary file `temp` (open as `fd`) that is to become `path`.
    void add(std::string path, std::string temp, UniqueFd fd);
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }

    // Flushes every temporary file to disk, then renames each over its path, in the order they
    // were added. Returns one errno per file in that order: 0 when it is in place, else why not
    // (its temporary file is then removed and its path left as it was). The batch is empty after.
    [[nodiscard]] std::vector<int> publish();

private:
    struct Entry {
        std::string path;
        std::string temp;
        UniqueFd fd;
        int error = 0;
    };
    std::vector<Entry> entries_;
};

// Makes `batch` the current thread's publish batch while it lives (scopes nest; the innermost
// holds).
class PublishBatchScope {
public:
    explicit PublishBatchScope(PublishBatch& batch);
    ~PublishBatchScope();
    PublishBatchScope(const PublishBatchScope&) = delete;
    PublishBatchScope& operator=(const PublishBatchScope&) = delete;

private:
    PublishBatch* previous_;
};

// The current thread's publish batch, or null.
PublishBatch* CurrentPublishBatch();

}  // namespace vellorin::profile
