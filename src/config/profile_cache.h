#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "config/profile_document.h"

namespace vellorin::profile {

// What tells one stored state of a file from another without reading it. The inode number alone
// would not do: a file replaced by rename could get the freed number of its predecessor, which is
// why the cache keeps each cached file open (its inode, and number, stay in use).
struct FileIdentity {
    uint64_t dev = 0;
    uint64_t ino = 0;
    int64_t size = -1;
    int64_t mtimeSec = 0;
    int64_t mtimeNsec = 0;
    int64_t ctimeSec = 0;
    int64_t ctimeNsec = 0;

    bool operator==(const FileIdentity&) const = default;
};

struct LoadedProfile {
    std::shared_ptr<ProfileDocument> doc;  // null when the file could not be read
    int error = 0;                         // errno when doc is null (ENOENT: no such file)
    bool exact = false;                    // doc holds exactly the file `identity` describes
    FileIdentity identity;
};

// Parsed copies of the most recently used INI files (at most 8), each checked against the stored
// file's identity at every use, so a caller always gets the file as it is stored now.
//
// There is one cache for the process rather than one per AppContext: it stands for the stored
// files themselves, like the kernel's page cache, and every caller of the free profile functions
// must see the same state. Guarded by a mutex, although the program uses it from one thread.
class ProfileCache {
public:
    static ProfileCache& instance();

    // The parsed file at `path`, from the cache when the file is unchanged, else read afresh (and
    // kept, unless it changed while being read).
    LoadedProfile load(const std::string& path);
    // Records `data` that this process appended in place to the file whose cached copy had
    // `before`; the copy takes in just those bytes. Without such a copy, or when another holder
    // still uses it, the entry is dropped instead.
    void noteAppend(const std::string& path, const FileIdentity& before, std::string_view data,
                    const FileIdentity& after);
    void forget(const std::string& path);
    void clear();

private:
    struct Entry;
    ProfileCache();
    ~ProfileCache();
    Entry* find(const std::string& path);
    void drop(const std::string& path);
    LoadedProfile readAndKeep(const std::string& path);

    std::mutex mutex_;
    std::vector<std::unique_ptr<Entry>> entries_;
    uint64_t clock_ = 0;
};

enum class AppendOutcome { kDone, kFileChanged, kFailed };

// Appends `data` to the file at `path`, which must still be the file `expected` describes (same
// inode and size; kFileChanged otherwise, nothing written). A write that fails part way is cut
// back to the old length, so no torn line stays behind. On kDone, `after` is the new identity.
AppendOutcome AppendInPlace(const std::string& path, const FileIdentity& expected,
                            std::string_view data, FileIdentity* after);

}  // namespace vellorin::profile
