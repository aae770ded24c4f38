#include "store/profile_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "store/profile_file_times.h"
#include "store/publish_batch.h"
#include "util/atomic_file.h"
#include "util/unique_fd.h"

namespace vellorin::profile {
namespace {

constexpr size_t kCachedFiles = 8;
// Beyond this many bytes of cached text the oldest copies go, so that a user moving through
// large inboxes does not keep each of them in memory; the newest copy always stays.
constexpr int64_t kCachedBytes = 64 * 1024 * 1024;

int WriteAllAt(int fd, std::string_view data, off_t at) {
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        ssize_t n = ::pwrite(fd, p, left, at);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        p += n;
        at += n;
        left -= static_cast<size_t>(n);
    }
    return 0;
}

}  // namespace

struct ProfileCache::Entry {
    std::string path;
    FileIdentity identity;
    // FileClockNow() before the copy was read (or last compared with the file): see RacilyClean.
    int64_t stamp = 0;
    // The identity is that of this process's own change, stamped behind the clock: trusted while
    // it holds (see StampBehindClock).
    bool ownChange = false;
    UniqueFd pin;                          // keeps the inode in use, see FileIdentity
    std::shared_ptr<ProfileDocument> doc;  // null until first used after a rewrite
    uint64_t lastUse = 0;
    std::string unparsed;  // the text written by a rewrite, parsed when first asked for
};

ProfileCache::ProfileCache() = default;
ProfileCache::~ProfileCache() = default;

ProfileCache& ProfileCache::instance() {
    static ProfileCache cache;
    return cache;
}

LoadedProfile ProfileCache::load(const std::string& path) {
    LoadedProfile out;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
        out.error = S_ISDIR(st.st_mode) ? EISDIR : errno;
        forget(path);
        return out;
    }
    {
        std::lock_guard guard(mutex_);
        if (Entry* e = find(path)) {
            if (e->identity == IdentityOf(st) &&
                (e->ownChange || !RacilyClean(e->identity, e->stamp) || revalidate(*e))) {
                if (!e->doc)
                    e->doc = std::make_shared<ProfileDocument>(std::move(e->unparsed));
                e->lastUse = ++clock_;
                out.doc = e->doc;
                out.exact = true;
                out.identity = e->identity;
                return out;
            }
            drop(path);
        }
    }
    return readAndKeep(path);
}

void ProfileCache::noteAppend(const std::string& path, const FileIdentity& before,
                              std::string_view data, const FileIdentity& after) {
    noteChange(path, before, after, [&](ProfileDocument& doc) { return doc.append(data); });
}

void ProfileCache::noteOverwrite(const std::string& path, const FileIdentity& before, size_t offset,
                                 std::string_view data, const FileIdentity& after) {
    noteChange(path, before, after,
               [&](ProfileDocument& doc) { return doc.overwrite(offset, data); });
}

void ProfileCache::noteBlanking(const std::string& path, const FileIdentity& before,
                                std::string_view section, const Blanking& blanking,
                                const FileIdentity& after) {
    noteChange(path, before, after,
               [&](ProfileDocument& doc) { return doc.applyBlanking(section, blanking); });
}

void ProfileCache::noteChange(const std::string& path, const FileIdentity& before,
                              const FileIdentity& after,
                              const std::function<bool(ProfileDocument&)>& change) {
    std::lock_guard guard(mutex_);
    Entry* e = find(path);
    if (!e)
        return;
    if (e->identity != before || !e->doc || e->doc.use_count() != 1 || !change(*e->doc)) {
        drop(path);
        return;
    }
    e->identity = after;
    e->ownChange = StampedBehindClock(after);
    e->lastUse = ++clock_;
}

int ProfileCache::rewrite(const std::string& path, std::string text) {
    forget(path);
    if (path.empty() || path.find('\0') != std::string::npos)
        return EINVAL;
    mode_t mode = 0644;
    bool nothingThere = true;  // no file, or an empty one
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return EISDIR;
        mode = st.st_mode & 07777;
        nothingThere = S_ISREG(st.st_mode) && st.st_size == 0;
    }
    const std::string temp = TemporaryNameFor(path);
    const int64_t stamp = FileClockNow();
    // Kept open after the rename: it pins the new inode for the cache entry, and a racily clean
    // entry is read back through it.
    UniqueFd fd(::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (fd.get() < 0)
        return errno;
    int err = WriteAllAt(fd.get(), text, 0);
    if (err == 0 && ::fchmod(fd.get(), mode) != 0)
        err = errno;
    struct stat written {};
    if (err == 0 && ::fstat(fd.get(), &written) != 0)
        err = errno;
    if (err == 0)
        StampBehindClock(fd.get(), IdentityOf(written));
    PublishBatch* batch = CurrentPublishBatch();
    if (err == 0 && batch && nothingThere) {
        // Nothing is lost while the path stays as it is; the batch flushes and renames it.
        batch->add(path, temp, std::move(fd));
        return 0;
    }
    if (err == 0 && ::fsync(fd.get()) != 0)
        err = errno;
    if (err == 0 && ::rename(temp.c_str(), path.c_str()) != 0)
        err = errno;
    if (err != 0) {
        ::unlink(temp.c_str());
        return err;
    }
    // The rename is done: from here on a failure only means the new text is not cached.
    struct stat ours {};
    struct stat named {};
    if (::fstat(fd.get(), &ours) != 0 || ::stat(path.c_str(), &named) != 0 ||
        ours.st_dev != named.st_dev || ours.st_ino != named.st_ino ||
        static_cast<size_t>(ours.st_size) != text.size()) {
        return 0;  // someone else replaced it already; the next load reads what is there
    }
    auto entry = std::make_unique<Entry>();
    entry->path = path;
    entry->identity = IdentityOf(ours);
    entry->stamp = stamp;
    entry->ownChange = StampedBehindClock(entry->identity);
    entry->pin = std::move(fd);
    // Parsed at the next load, so the caller of a rewrite does not wait for it.
    entry->unparsed = std::move(text);
    std::lock_guard guard(mutex_);
    keep(std::move(entry));
    return 0;
}

void ProfileCache::forget(const std::string& path) {
    std::lock_guard guard(mutex_);
    drop(path);
}

void ProfileCache::clear() {
    std::lock_guard guard(mutex_);
    entries_.clear();
}

ProfileCache::Entry* ProfileCache::find(const std::string& path) {
    for (auto& e : entries_) {
        if (e->path == path)
            return e.get();
    }
    return nullptr;
}

void ProfileCache::drop(const std::string& path) {
    std::erase_if(entries_, [&](const auto& e) { return e->path == path; });
}

bool ProfileCache::revalidate(Entry& e) {
    const int64_t stamp = FileClockNow();
    fileReads_.fetch_add(1, std::memory_order_relaxed);
    const std::string& text = e.doc ? e.doc->text() : e.unparsed;
    struct stat st {};
    if (::fstat(e.pin.get(), &st) != 0 || IdentityOf(st) != e.identity ||
        static_cast<size_t>(st.st_size) != text.size()) {
        return false;
    }
    // Compared piece by piece; one byte more is asked for at the end, to see the file end there.
    std::string piece(std::min<size_t>(text.size() + 1, 256 * 1024), '\0');
    size_t at = 0;
    for (;;) {
        ssize_t n = ::pread(e.pin.get(), piece.data(), piece.size(), static_cast<off_t>(at));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || static_cast<size_t>(n) > text.size() - at)
            return false;
        if (n == 0)
            break;
        if (std::memcmp(piece.data(), text.data() + at, static_cast<size_t>(n)) != 0)
            return false;
        at += static_cast<size_t>(n);
    }
    if (at != text.size() || ::fstat(e.pin.get(), &st) != 0 || IdentityOf(st) != e.identity)
        return false;
    e.stamp = stamp;
    return true;
}

uint64_t ProfileCache::fileReads() const {
    return fileReads_.load(std::memory_order_relaxed);
}

LoadedProfile ProfileCache::readAndKeep(const std::string& path) {
    LoadedProfile out;
    const int64_t stamp = FileClockNow();
    fileReads_.fetch_add(1, std::memory_order_relaxed);
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat before {};
    if (fd.get() < 0 || ::fstat(fd.get(), &before) != 0) {
        out.error = errno;
        return out;
    }
    if (S_ISDIR(before.st_mode)) {
        out.error = EISDIR;
        return out;
    }
    // Read straight into the text, with one byte of room to see the end of the file without
    // growing it; a file that grows while being read gets more room.
    std::string text(before.st_size > 0 ? static_cast<size_t>(before.st_size) + 1 : 4096, '\0');
    size_t got = 0;
    for (;;) {
        if (got == text.size())
            text.resize(text.size() * 2);
        ssize_t n = ::read(fd.get(), text.data() + got, text.size() - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            out.error = errno;
            return out;
        }
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    text.resize(got);
    struct stat after {};
    bool steady = ::fstat(fd.get(), &after) == 0 && IdentityOf(before) == IdentityOf(after) &&
                  static_cast<int64_t>(text.size()) == before.st_size;
    out.doc = std::make_shared<ProfileDocument>(std::move(text));
    // A file that changed while it was read is used once and not kept.
    if (!steady)
        return out;
    out.exact = true;
    out.identity = IdentityOf(before);

    std::lock_guard guard(mutex_);
    keep(std::make_unique<Entry>(
        Entry{path, out.identity, stamp, false, std::move(fd), out.doc, 0, {}}));
    return out;
}

void ProfileCache::keep(std::unique_ptr<Entry> entry) {
    drop(entry->path);
    int64_t bytes = entry->identity.size;
    for (const auto& e : entries_)
        bytes += e->identity.size;
    while (!entries_.empty() && (entries_.size() >= kCachedFiles || bytes > kCachedBytes)) {
        auto oldest = entries_.begin();
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if ((*it)->lastUse < (*oldest)->lastUse)
                oldest = it;
        }
        bytes -= (*oldest)->identity.size;
        entries_.erase(oldest);
    }
    entry->lastUse = ++clock_;
    entries_.push_back(std::move(entry));
}

AppendOutcome AppendInPlace(const std::string& path, const FileIdentity& expected,
                            std::string_view data, FileIdentity* after, bool flush) {
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return errno == ENOENT ? AppendOutcome::kFileChanged : AppendOutcome::kFailed;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return AppendOutcome::kFailed;
    if (static_cast<uint64_t>(st.st_dev) != expected.dev ||
        static_cast<uint64_t>(st.st_ino) != expected.ino || st.st_size != expected.size) {
        return AppendOutcome::kFileChanged;
    }
    const FileIdentity before = IdentityOf(st);
    const off_t start = st.st_size;
    off_t at = start;
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        ssize_t n = ::pwrite(fd.get(), p, left, at);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            (void)::ftruncate(fd.get(), start);
            return AppendOutcome::kFailed;
        }
        p += n;
        at += n;
        left -= static_cast<size_t>(n);
    }
    if (flush && ::fdatasync(fd.get()) != 0) {
        (void)::ftruncate(fd.get(), start);
        return AppendOutcome::kFailed;
    }
    StampBehindClock(fd.get(), before);
    if (::fstat(fd.get(), &st) != 0)
        return AppendOutcome::kFailed;
    *after = IdentityOf(st);
    return fd.close() == 0 ? AppendOutcome::kDone : AppendOutcome::kFailed;
}

OverwriteOutcome OverwriteInPlace(const std::string& path, const FileIdentity& expected,
                                  size_t offset, std::string_view data, FileIdentity* after) {
    const Patch patch{offset, std::string(data)};
    return OverwriteInPlace(path, expected, std::span<const Patch>(&patch, 1), after);
}

OverwriteOutcome OverwriteInPlace(const std::string& path, const FileIdentity& expected,
                                  std::span<const Patch> patches, FileIdentity* after) {
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return errno == ENOENT ? OverwriteOutcome::kFileChanged : OverwriteOutcome::kFailed;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return OverwriteOutcome::kFailed;
    if (IdentityOf(st) != expected)
        return OverwriteOutcome::kFileChanged;
    const auto size = static_cast<uint64_t>(st.st_size);
    for (const Patch& p : patches) {
        if (p.offset > size || p.data.size() > size - p.offset)
            return OverwriteOutcome::kFailed;
    }
    for (const Patch& p : patches) {
        if (WriteAllAt(fd.get(), p.data, static_cast<off_t>(p.offset)) != 0)
            return OverwriteOutcome::kFailed;
    }
    StampBehindClock(fd.get(), expected);
    if (::fdatasync(fd.get()) != 0 || ::fstat(fd.get(), &st) != 0)
        return OverwriteOutcome::kFailed;
    *after = IdentityOf(st);
    return fd.close() == 0 ? OverwriteOutcome::kDone : OverwriteOutcome::kFailed;
}

}  // namespace vellorin::profile
