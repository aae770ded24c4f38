#include "shell/termination_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace vellorin {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The write end of the installed object's pipe: a signal handler can reach nothing else.
std::atomic<int> gWriteFd{-1};

extern "C" void OnTerminationSignal(int signal) {
    const int savedErrno = errno;
    const int fd = gWriteFd.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const auto byte = static_cast<unsigned char>(signal);
        // A full pipe already holds a waiting signal: losing this byte loses nothing.
        (void)!::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

}  // namespace

bool TerminationSignals::Install() {
    if (readFd_ >= 0 || gWriteFd.load() >= 0)
        return false;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    readFd_ = fds[0];
    writeFd_ = fds[1];
    gWriteFd.store(writeFd_);
    struct sigaction action = {};
    action.sa_handler = &OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls go on: the signal is handled from the event loop.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &action, &previous_[i]);
    return true;
}

TerminationSignals::~TerminationSignals() {
    if (readFd_ < 0)
        return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &previous_[i], nullptr);
    gWriteFd.store(-1);
    ::close(writeFd_);
    ::close(readFd_);
}

int TerminationSignals::Take() {
    if (readFd_ < 0)
        return 0;
    unsigned char byte = 0;
    return ::read(readFd_, &byte, 1) == 1 ? byte : 0;
}

}  // namespace vellorin
