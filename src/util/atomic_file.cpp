#include "util/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string_view>
#include <vector>

#include "util/unique_fd.h"

namespace vellorin {
namespace {

int WriteAll(int fd, std::string_view data) {
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return 0;
}

}  // namespace

std::string TemporaryNameFor(const std::string& path) {
    static thread_local std::mt19937_64 rng{std::random_device{}()};
    std::string dir = ".";
    std::string base = path;
    if (auto slash = path.rfind('/'); slash != std::string::npos) {
        dir = path.substr(0, slash == 0 ? 1 : slash);
        base = path.substr(slash + 1);
    }
    char suffix[17];
    std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(rng()));
    return (dir == "/" ? std::string("/") : dir + "/") + "." + base + ".tmp-" + suffix;
}

void RemoveLeftoverTemporaryFiles(const std::string& folder,
                                  std::initializer_list<std::string_view> names) {
    constexpr std::size_t kSuffixDigits = 16;  // see TemporaryNameFor
    const auto leftover = [&](std::string_view entry) {
        for (std::string_view name : names) {
            const std::size_t prefix = 1 + name.size() + 5;  // "." name ".tmp-"
            if (entry.size() == prefix + kSuffixDigits && entry[0] == '.' &&
                entry.substr(1, name.size()) == name &&
                entry.substr(1 + name.size(), 5) == ".tmp-" &&
                entry.find_first_not_of("0123456789abcdef", prefix) == std::string_view::npos) {
                return true;
            }
        }
        return false;
    };
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    std::vector<std::string> found;
    while (const dirent* entry = ::readdir(dir)) {
        if (leftover(entry->d_name))
            found.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    for (const std::string& name : found)
        ::unlink((folder + "/" + name).c_str());
}

std::string IoStatus::message() const {
    return error == 0 ? std::string() : std::strerror(error);
}

IoStatus WriteFileAtomic(const std::string& path, std::string_view data, bool flush) {
    if (path.empty() || path.find('\0') != std::string::npos)
        return {EINVAL};
    mode_t mode = 0644;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return {EISDIR};
        mode = st.st_mode & 07777;
    }
    std::string temp = TemporaryNameFor(path);
    UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (fd.get() < 0)
        return {errno};
    int err = WriteAll(fd.get(), data);
    if (err == 0 && ::fchmod(fd.get(), mode) != 0)
        err = errno;
    if (err == 0 && flush && ::fsync(fd.get()) != 0)
        err = errno;
    if (err == 0 && ::close(fd.release()) != 0)
        err = errno;
    if (err == 0 && ::rename(temp.c_str(), path.c_str()) != 0)
        err = errno;
    if (err != 0)
        ::unlink(temp.c_str());
    return {err};
}

IoStatus AppendToFile(const std::string& path, std::string_view data) {
    if (path.empty() || path.find('\0') != std::string::npos)
        return {EINVAL};
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
    if (fd.get() < 0)
        return {errno};
    int err = WriteAll(fd.get(), data);
    if (err == 0 && ::close(fd.release()) != 0)
        err = errno;
    return {err};
}

std::optional<std::string> ReadWholeFile(const std::string& path, IoStatus* status) {
    auto fail = [&](int e) -> std::optional<std::string> {
        if (status)
            *status = {e};
        return std::nullopt;
    };
    if (path.empty() || path.find('\0') != std::string::npos)
        return fail(EINVAL);
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return fail(errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return fail(errno);
    if (S_ISDIR(st.st_mode))
        return fail(EISDIR);
    std::string out;
    if (st.st_size > 0)
        out.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        if (n == 0)
            break;
        out.append(buf, static_cast<size_t>(n));
    }
    if (status)
        *status = {0};
    return out;
}

}  // namespace vellorin
