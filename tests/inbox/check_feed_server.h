#pragma once

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/loopback_socket.h"

namespace vellorin::test {

inline void PrepareLocalHttp() {
    ::setenv("no_proxy", "127.0.0.1,localhost", 1);
    ::signal(SIGPIPE, SIG_IGN);
}

// A server on a free port of 127.0.0.1 serving the paths a test registers (404 for others); it
// keeps the path and headers of every request.
class FeedServer {
public:
    using Handler = httplib::Server::Handler;

    FeedServer() {
        server_.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
            std::unique_lock lock(mutex_);
            requests_.emplace_back(request.path, request.headers);
            const auto route = routes_.find(request.path);
            const Handler handler = route != routes_.end() ? route->second : nullptr;
            lock.unlock();
            handler ? handler(request, response) : void(response.status = 404);
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running())
            std::this_thread::yield();
    }
    ~FeedServer() {
        server_.stop();
        thread_.join();
    }

    void route(const std::string& path, Handler handler) {
        std::lock_guard lock(mutex_);
        routes_[path] = std::move(handler);
    }
    void serve(const std::string& path, std::string body,
               std::string contentType = "application/rss+xml", int status = 200,
               std::chrono::milliseconds delay = {}) {
        route(path, [=](const httplib::Request&, httplib::Response& response) {
            std::this_thread::sleep_for(delay);
            response.status = status;
            response.set_content(body, contentType);
        });
    }
    // With ETag and Last-Modified (each unless empty); 304 when If-None-Match (else
    // If-Modified-Since) matches.
    void serveConditional(const std::string& path, std::string body, std::string etag,
                          std::string lastModified) {
        route(path, [=](const httplib::Request& request, httplib::Response& response) {
            const bool unchanged =
                request.has_header("If-None-Match")
                    ? !etag.empty() && request.get_header_value("If-None-Match") == etag
                    : !lastModified.empty() &&
                          request.get_header_value("If-Modified-Since") == lastModified;
            if (!etag.empty())
                response.set_header("ETag", etag);
            if (!lastModified.empty())
                response.set_header("Last-Modified", lastModified);
            if (unchanged)
                response.status = 304;
            else
                response.set_content(body, "application/rss+xml");
        });
    }
    // Header `name` of each request of `path` so far ("" when absent).
    std::vector<std::string> sent(const std::string& path, const std::string& name) {
        std::lock_guard lock(mutex_);
        std::vector<std::string> values;
        for (const auto& [requested, headers] : requests_) {
            if (requested == path) {
                const auto found = headers.find(name);
                values.push_back(found != headers.end() ? found->second : "");
            }
        }
        return values;
    }
    int hits(const std::string& path) {
        const std::vector<std::string> all = events();
        return static_cast<int>(std::count(all.begin(), all.end(), path));
    }
    std::vector<std::string> events() {
        std::lock_guard lock(mutex_);
        std::vector<std::string> paths;
        for (const auto& request : requests_)
            paths.push_back(request.first);
        return paths;
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
    std::vector<std::pair<std::string, httplib::Headers>> requests_;
};

// A link to a port on 127.0.0.1 where nothing listens any more.
inline std::string RefusingLink() {
    return LoopbackSocket().url();
}

inline std::string RssDocument(const std::string& items) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\"><channel><title>Feed"
           "</title>" +
           items + "</channel></rss>\n";
}

inline std::string RssItem(const std::string& guid, const std::string& title,
                           const std::string& pubDate) {
    return "<item><title>" + title + "</title><guid>" + guid + "</guid><pubDate>" + pubDate +
           "</pubDate><description>body</description></item>";
}

}  // namespace vellorin::test
