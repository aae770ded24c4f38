#include "shell/instance_guard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace vellorin {

InstanceGuard::~InstanceGuard() {
    // The lock goes with the descriptor; closing it is all that releasing takes.
    if (fd_ >= 0)
        ::close(fd_);
}

std::string InstanceGuard::LockPath(const std::string& guardName) {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/') {
        return std::string(runtime) + "/" + guardName + ".lock";
    }
    std::error_code ec;
    std::string temp = std::filesystem::temp_directory_path(ec).string();
    if (ec || temp.empty())
        temp = "/tmp";
    return temp + "/" + guardName + "-" + std::to_string(::getuid()) + ".lock";
}

bool InstanceGuard::IsFirstInstance(const std::string& guardName) {
    if (fd_ >= 0)
        return true;
    std::string path = LockPath(guardName);
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        // Without a lock file there is no way to tell; better to run than to refuse to start.
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        ::close(fd);
        return err != EWOULDBLOCK;
    }
    fd_ = fd;
    return true;
}

std::string PreviousInstanceText() {
    return "Previous instance of application is still running. Only one Instance can be executed "
           "at a time. \r\n\r\nIf you don't see any visible instance of application on your "
           "screen nor the application icon in System Notification Area (bottom right corner of "
           "screen where clock is displayed) then it's likely that Previous instance of "
           "application is not closed properly. In that case, please use your Task Manager to "
           "\"End Process\" application from list of \"Processes\". ";
}

}  // namespace vellorin
