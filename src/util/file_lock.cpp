#include "util/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <string>
#include <vector>

namespace vellorin {
namespace {

struct HeldFolder {
    uint64_t dev;
    uint64_t ino;
    int fd;
    int count;
    std::string path;  // as the first lock spelled it
};

// The folders this process holds locked. An flock belongs to an open file description, so a
// second open and flock of the same folder inside this process would wait for the first one
// forever. Nesting must therefore be counted per process, not per object, which makes this table
// process-wide state by nature. Keyed by device and inode so that two spellings of one folder's
// path are the same entry.
struct Registry {
    std::mutex mutex;
    std::vector<HeldFolder> held;

    HeldFolder* find(uint64_t dev, uint64_t ino) {
        for (HeldFolder& h : held) {
            if (h.dev == dev && h.ino == ino)
                return &h;
        }
        return nullptr;
    }
    HeldFolder* find(const std::string& path) {
        for (HeldFolder& h : held) {
            if (h.path == path)
                return &h;
        }
        return nullptr;
    }
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

std::string FolderOf(const std::string& filePath) {
    auto slash = filePath.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return filePath.substr(0, slash);
}

}  // namespace

FileLock::FileLock(const std::string& filePath) : folder_(FolderOf(filePath)) {
    Registry& registry = TheRegistry();
    {
        // A nested lock spelled as the held one: one stat tells that the path still names the
        // held folder, where opening it would cost three calls.
        std::lock_guard guard(registry.mutex);
        if (HeldFolder* h = registry.find(folder_)) {
            struct stat st {};
            if (::stat(folder_.c_str(), &st) == 0 && static_cast<uint64_t>(st.st_dev) == h->dev &&
                static_cast<uint64_t>(st.st_ino) == h->ino) {
                dev_ = h->dev;
                ino_ = h->ino;
                ++h->count;
                locked_ = true;
                return;
            }
        }
    }
    int fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return;
    }
    dev_ = static_cast<uint64_t>(st.st_dev);
    ino_ = static_cast<uint64_t>(st.st_ino);

    {
        std::lock_guard guard(registry.mutex);
        if (HeldFolder* h = registry.find(dev_, ino_)) {
            ++h->count;
            ::close(fd);
            locked_ = true;
            return;
        }
    }
    // Wait for another process without holding the table.
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        ::close(fd);
        return;
    }
    std::lock_guard guard(registry.mutex);
    registry.held.push_back(HeldFolder{dev_, ino_, fd, 1, folder_});
    locked_ = true;
}

FileLock::~FileLock() {
    if (!locked_)
        return;
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.mutex);
    HeldFolder* h = registry.find(dev_, ino_);
    if (!h || --h->count > 0)
        return;
    // Closing the only descriptor of the open file description releases the lock.
    ::close(h->fd);
    std::erase_if(registry.held, [&](const HeldFolder& e) { return &e == h; });
}

}  // namespace vellorin
