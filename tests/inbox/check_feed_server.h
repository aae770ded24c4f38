#pragma once

// A real HTTP server on 127.0.0.1 for the check-run tests, and raw sockets for the faults a
// well-behaved server cannot produce (a refused connection, a reply that never comes, a reply
// cut off midway).

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/loopback_socket.h"
#include "support/temp_dir.h"

namespace vellorin::test {

inline std::string FeedData(const std::string& name) {
    return TempDir::read(std::string(VELLORIN_TEST_DATA) + "/feeds/" + name);
}
inline std::string EncodingData(const std::string& name) {
    return TempDir::read(std::string(VELLORIN_TEST_DATA) + "/encodings/" + name);
}

// The requests go straight to the test's server, whatever proxy the machine has set.
inline void PrepareLocalHttp() {
    ::setenv("no_proxy", "127.0.0.1,localhost", 1);
    ::signal(SIGPIPE, SIG_IGN);
}

// A cpp-httplib server on a port of the system's choosing. Tests register the paths it serves;
// it counts the requests per path and keeps the order in which requests began and replies ended.
class FeedServer {
public:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    FeedServer() {
        server_.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
            Handler handler;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                ++hits_[request.path];
                events_.push_back("start " + request.path);
                auto found = routes_.find(request.path);
                if (found != routes_.end())
                    handler = found->second;
            }
            if (handler)
                handler(request, response);
            else
                response.status = 404;
            std::lock_guard<std::mutex> lock(mutex_);
            events_.push_back("end " + request.path);
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~FeedServer() {
        server_.stop();
        thread_.join();
    }
    FeedServer(const FeedServer&) = delete;
    FeedServer& operator=(const FeedServer&) = delete;

    void route(const std::string& path, Handler handler) {
        std::lock_guard<std::mutex> lock(mutex_);
        routes_[path] = std::move(handler);
    }
    // Serves `body` at `path` with a status and content type.
    void serve(const std::string& path, std::string body,
               std::string contentType = "application/rss+xml", int status = 200) {
        route(path, [=](const httplib::Request&, httplib::Response& response) {
            response.status = status;
            response.set_content(body, contentType.c_str());
        });
    }
    int hits(const std::string& path) {
        std::lock_guard<std::mutex> lock(mutex_);
        return hits_[path];
    }
    std::vector<std::string> events() {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    std::mutex mutex_;
    std::map<std::string, Handler> routes_;
    std::map<std::string, int> hits_;
    std::vector<std::string> events_;
};

// A listening socket that nobody answers on.
using SilentSocket = LoopbackSocket;

// A link to a port on 127.0.0.1 where nothing listens any more.
inline std::string RefusingLink() {
    SilentSocket closed;
    return closed.url();
}

// Answers every connection with `reply` (raw bytes) and closes it, until destroyed.
class RawReplyServer {
public:
    explicit RawReplyServer(std::string reply) : reply_(std::move(reply)) {
        thread_ = std::thread([this] { serve(); });
    }
    ~RawReplyServer() {
        stop_ = true;
        thread_.join();
    }
    RawReplyServer(const RawReplyServer&) = delete;
    RawReplyServer& operator=(const RawReplyServer&) = delete;
    std::string url() const { return socket_.url(); }

private:
    void serve() {
        while (!stop_)
            AnswerOneRequest(socket_.fd(), reply_, 20);
    }

    SilentSocket socket_;
    std::string reply_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A minimal RSS 2.0 document with the given items (already written as XML).
inline std::string RssDocument(const std::string& items, const std::string& title = "Feed") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\"><channel><title>" +
           title + "</title>" + items + "</channel></rss>\n";
}
inline std::string RssItem(const std::string& guid, const std::string& title,
                           const std::string& pubDate, const std::string& description = "body") {
    return "<item><title>" + title + "</title><guid>" + guid + "</guid><pubDate>" + pubDate +
           "</pubDate><description>" + description + "</description></item>";
}

}  // namespace vellorin::test
