#pragma once

#include <csignal>

namespace vellorin {

// Turns the signals that end a session or a process politely (SIGTERM from a session manager or
// systemd, SIGINT from a terminal, SIGHUP when the terminal goes) into bytes on a pipe, which the
// program reads on its own thread between events: the handler itself only writes the signal's
// number, the one thing safe inside a signal handler.
//
// One object at a time may be installed in a process (the handlers reach its pipe through one
// process-wide descriptor). Destruction puts the previous handlers back and closes the pipe.
class TerminationSignals {
public:
    TerminationSignals() = default;
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // Catches SIGTERM, SIGINT and SIGHUP from now on. False (nothing changed) when the pipe
    // cannot be made or another object is installed.
    [[nodiscard]] bool Install();

    // The read end of the pipe: readable once a caught signal is waiting. -1 before Install.
    int fd() const { return readFd_; }

    // The number of the next caught signal, 0 when none is waiting. Never blocks.
    int Take();

private:
    int readFd_ = -1;
    int writeFd_ = -1;
    struct sigaction previous_[3] = {};
};

}  // namespace vellorin
