#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/profile_document.h"

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

// Parsed copies of the most recently used INI files (at most 8, and at most 64 MiB of text
// unless the newest alone is larger), each checked against the stored file's identity at every
// use, so a caller always gets the file as it is stored now. A file whose modification or change
// time is not older than the moment its copy was read could have changed within the same step of
// the clock without changing its identity: its copy is compared with the stored bytes before it
// is used, until the file's times are older than such a comparison. A copy of a change this
// process made itself (in place, or by a rewrite) is trusted at once: the change sets the file's
// modification time one step behind the clock, where no later write can leave it.
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
    // Records that this process overwrote `data.size()` bytes at `offset` in place (a kOverwrite
    // edit of the cached copy) of the file whose cached copy had `before`; the copy takes in the
    // same bytes and the identity `after`. Without such a copy, or when another holder still uses
    // it, the entry is dropped instead.
    void noteOverwrite(const std::string& path, const FileIdentity& before, size_t offset,
                       std::string_view data, const FileIdentity& after);
    // Records that this process stored `blanking` (made from the cached copy for `section`) in
    // place, likewise.
    void noteBlanking(const std::string& path, const FileIdentity& before, std::string_view section,
                      const Blanking& blanking, const FileIdentity& after);
    // Replaces the file at `path` with `text` through a temporary file in the same folder
    // (flushed, then renamed over the old file, keeping its permission bits), so that a crash
    // leaves the old or the new file. On success the new text is kept (parsed at the next load)
    // with the new file's identity, unless the path no longer names the file we renamed there. On
    // failure the old file stays and its cached parse is dropped. Returns the errno (0: done).
    // Inside a PublishBatchScope, a file that is missing or empty is not flushed and renamed here:
    // the temporary file goes to the batch (see publish_batch.h) and nothing is cached.
    [[nodiscard]] int rewrite(const std::string& path, std::string text);
    void forget(const std::string& path);
    void clear();
    // How many times a file's bytes were read whole, to parse them or to compare them with a
    // copy (for tests and benchmarks).
    uint64_t fileReads() const;

private:
    struct Entry;
    ProfileCache();
    ~ProfileCache();
    Entry* find(const std::string& path);
    void drop(const std::string& path);
    LoadedProfile readAndKeep(const std::string& path);
    // Compares the copy of a racily clean entry whose identity still matches with the bytes of its
    // file; when they are the same, takes a new stamp and returns true. mutex_ held.
    bool revalidate(Entry& entry);
    // Applies `change` to the cached copy of a file this process changed in place, or drops the
    // copy when it is not the one `before` describes, is in use elsewhere, or `change` fails.
    void noteChange(const std::string& path, const FileIdentity& before, const FileIdentity& after,
                    const std::function<bool(ProfileDocument&)>& change);
    void keep(std::unique_ptr<Entry> entry);  // mutex_ held

    std::mutex mutex_;
    std::vector<std::unique_ptr<Entry>> entries_;
    uint64_t clock_ = 0;
    std::atomic<uint64_t> fileReads_ = 0;
};

enum class AppendOutcome { kDone, kFileChanged, kFailed };
using OverwriteOutcome = AppendOutcome;

// Appends `data` to the file at `path`, which must still be the file `expected` describes (same
// inode and size; kFileChanged otherwise, nothing written). A write that fails part way is cut
// back to the old length, so no torn line stays behind. With `flush`, the appended bytes are on
// disk (fdatasync) before kDone is returned. The modification time is set one step behind the
// clock, so that any later write changes the identity. On kDone, `after` is the new identity.
AppendOutcome AppendInPlace(const std::string& path, const FileIdentity& expected,
                            std::string_view data, FileIdentity* after, bool flush = false);

// Overwrites `data.size()` bytes at `offset` of the file at `path` with `data`, which must still
// be exactly the file `expected` describes (kFileChanged otherwise, nothing written), then flushes
// the data with fdatasync. The caller makes sure no line break moves, so a crash leaves the old or
// the new value: a write of a few bytes inside one block is not torn in practice, and the line
// layout is the same either way. The modification time is set one step behind the clock (and
// behind the old one when that is as recent), so that the new identity differs from the old one
// and any later write changes it again. On kDone, `after` is the new identity; on kFailed the
// bytes may be partly written, and the caller rewrites the whole line.
OverwriteOutcome OverwriteInPlace(const std::string& path, const FileIdentity& expected,
                                  size_t offset, std::string_view data, FileIdentity* after);
// The same for several ranges, written one after the other and flushed together. The caller
// answers for what a crash in between may leave.
OverwriteOutcome OverwriteInPlace(const std::string& path, const FileIdentity& expected,
                                  std::span<const Patch> patches, FileIdentity* after);

}  // namespace vellorin::profile
