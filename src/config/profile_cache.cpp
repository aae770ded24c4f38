#include "config/profile_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vellorin::profile {
namespace {

constexpr size_t kCachedFiles = 8;

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = other.fd_;
            other.fd_ = -1;
        }
        return *this;
    }
    int get() const { return fd_; }
    void reset() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    // Closes and reports the error of close() (0 when fine).
    int close() {
        int err = (fd_ >= 0 && ::close(fd_) != 0) ? errno : 0;
        fd_ = -1;
        return err;
    }

private:
    int fd_;
};

FileIdentity IdentityOf(const struct stat& st) {
    return FileIdentity{static_cast<uint64_t>(st.st_dev),
                        static_cast<uint64_t>(st.st_ino),
                        static_cast<int64_t>(st.st_size),
                        st.st_mtim.tv_sec,
                        st.st_mtim.tv_nsec,
                        st.st_ctim.tv_sec,
                        st.st_ctim.tv_nsec};
}

}  // namespace

struct ProfileCache::Entry {
    std::string path;
    FileIdentity identity;
    Fd pin;  // keeps the inode in use, see FileIdentity
    std::shared_ptr<ProfileDocument> doc;
    uint64_t lastUse = 0;
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
            if (e->identity == IdentityOf(st)) {
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
    std::lock_guard guard(mutex_);
    Entry* e = find(path);
    if (!e)
        return;
    if (e->identity != before || e->doc.use_count() != 1 || !e->doc->append(data)) {
        drop(path);
        return;
    }
    e->identity = after;
    e->lastUse = ++clock_;
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

LoadedProfile ProfileCache::readAndKeep(const std::string& path) {
    LoadedProfile out;
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat before {};
    if (fd.get() < 0 || ::fstat(fd.get(), &before) != 0) {
        out.error = errno;
        return out;
    }
    if (S_ISDIR(before.st_mode)) {
        out.error = EISDIR;
        return out;
    }
    std::string text;
    if (before.st_size > 0)
        text.reserve(static_cast<size_t>(before.st_size));
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            out.error = errno;
            return out;
        }
        if (n == 0)
            break;
        text.append(buf, static_cast<size_t>(n));
    }
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
    drop(path);
    if (entries_.size() >= kCachedFiles) {
        auto oldest = entries_.begin();
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if ((*it)->lastUse < (*oldest)->lastUse)
                oldest = it;
        }
        entries_.erase(oldest);
    }
    entries_.push_back(
        std::make_unique<Entry>(Entry{path, out.identity, std::move(fd), out.doc, ++clock_}));
    return out;
}

AppendOutcome AppendInPlace(const std::string& path, const FileIdentity& expected,
                            std::string_view data, FileIdentity* after) {
    Fd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return errno == ENOENT ? AppendOutcome::kFileChanged : AppendOutcome::kFailed;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return AppendOutcome::kFailed;
    if (static_cast<uint64_t>(st.st_dev) != expected.dev ||
        static_cast<uint64_t>(st.st_ino) != expected.ino || st.st_size != expected.size) {
        return AppendOutcome::kFileChanged;
    }
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
    if (::fstat(fd.get(), &st) != 0)
        return AppendOutcome::kFailed;
    *after = IdentityOf(st);
    return fd.close() == 0 ? AppendOutcome::kDone : AppendOutcome::kFailed;
}

}  // namespace vellorin::profile
