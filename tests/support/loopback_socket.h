#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace vellorin::test {

// A listening TCP socket on 127.0.0.1 at a free port. Nobody accepts on it unless a test does:
// the kernel still completes connections up to the backlog, which is how tests make a server
// that never answers (or, with backlog 0, one whose queue is full).
class LoopbackSocket {
public:
    explicit LoopbackSocket(int backlog = 8) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(fd_, backlog) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            ADD_FAILURE() << "no local socket";
            return;
        }
        port_ = ntohs(address.sin_port);
    }
    ~LoopbackSocket() { close(); }
    LoopbackSocket(const LoopbackSocket&) = delete;
    LoopbackSocket& operator=(const LoopbackSocket&) = delete;

    // After this, connections to the port are refused.
    void close() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    int fd() const { return fd_; }
    int port() const { return port_; }
    std::string url(const std::string& path = "/feed") const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

private:
    int fd_ = -1;
    int port_ = 0;
};

// Waits up to `waitMs` for one connection on `listenFd`, reads the request head, writes `reply`
// as raw bytes and closes the connection. False when nobody connected in time.
inline bool AnswerOneRequest(int listenFd, std::string_view reply, int waitMs) {
    pollfd waiting{listenFd, POLLIN, 0};
    if (::poll(&waiting, 1, waitMs) != 1)
        return false;
    int client = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0)
        return false;
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
        if (got <= 0)
            break;
        request.append(buffer, static_cast<std::size_t>(got));
    }
    ssize_t sent = ::send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
    (void)sent;
    ::close(client);
    return true;
}

}  // namespace vellorin::test
