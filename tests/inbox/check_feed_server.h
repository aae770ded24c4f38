#pragma once

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <map>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "inbox/feed_validators.h"
#include "support/loopback_socket.h"
#include "support/temp_dir.h"

namespace vellorin {

inline void PrintTo(const FeedValidators& validators, std::ostream* out) {
    *out << "{ETag: " << validators.ETag << ", Last-Modified: " << validators.LastModified << "}";
}

}  // namespace vellorin

namespace vellorin::test {

inline void PrepareLocalHttp() {
    ::setenv("no_proxy", "127.0.0.1,localhost", 1);
    ::signal(SIGPIPE, SIG_IGN);
}

// A server on a free port of 127.0.0.1 serving the paths a test registers (404 for others); it
// notes "start PATH" and "end PATH" for each request and keeps every request's headers.
class FeedServer {
public:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    FeedServer() {
        server_.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
            if (Handler handler = note("start ", request.path, &request.headers))
                handler(request, response);
            else
                response.status = 404;
            note("end ", request.path);
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
        std::lock_guard<std::mutex> lock(mutex_);
        routes_[path] = std::move(handler);
    }
    void serve(const std::string& path, std::string body,
               std::string contentType = "application/rss+xml", int status = 200) {
        route(path, [=](const httplib::Request&, httplib::Response& response) {
            response.status = status;
            response.set_content(body, contentType.c_str());
        });
    }
    void serveSlowly(const std::string& path, std::string body, std::chrono::milliseconds delay) {
        route(path, [=](const httplib::Request&, httplib::Response& response) {
            std::this_thread::sleep_for(delay);
            response.set_content(body, "application/rss+xml");
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
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<std::string> values;
        for (const auto& [requested, headers] : requests_) {
            if (requested != path)
                continue;
            auto found = headers.find(name);
            values.push_back(found == headers.end() ? std::string() : found->second);
        }
        return values;
    }
    int hits(const std::string& path) {
        const std::vector<std::string> all = events();
        return static_cast<int>(std::count(all.begin(), all.end(), "start " + path));
    }
    std::vector<std::string> events() {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    int port() const { return port_; }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

private:
    Handler note(const char* what, const std::string& path,
                 const httplib::Headers* headers = nullptr) {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(what + path);
        if (headers)
            requests_.emplace_back(path, *headers);
        auto found = routes_.find(path);
        return found != routes_.end() ? found->second : Handler();
    }

    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    std::mutex mutex_;
    std::map<std::string, Handler> routes_;
    std::vector<std::string> events_;
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
