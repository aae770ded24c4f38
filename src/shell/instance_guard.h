#pragma once

#include <string>

namespace vellorin {

// The single-instance guard: an exclusive, non-blocking flock on a lock file named after the
// guard in $XDG_RUNTIME_DIR (or the temp folder, with the user id in the name). The kernel drops
// the lock when the process ends, however it ends; the descriptor is close-on-exec so that
// programs we start never inherit it.
class InstanceGuard {
public:
    InstanceGuard() = default;
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;

    // True when this process now holds the guard; false when another process holds it (or the
    // lock file cannot be opened at all, which is treated the same way only if it is held).
    bool IsFirstInstance(const std::string& guardName);

    // Where the lock file for `guardName` lives.
    static std::string LockPath(const std::string& guardName);

private:
    int fd_ = -1;
};

// The box a second start shows before it ends.
inline constexpr const char* kPreviousInstanceCaption =
    "Previous Instance of application is still Running!";
std::string PreviousInstanceText();

}  // namespace vellorin
