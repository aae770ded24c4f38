// vellorin-demo-service: a local stand-in for the notification service. It serves a few Message
// Sources as RSS 2.0 feeds in the service's format on 127.0.0.1, and each source gets a new
// message every few minutes, so that a client subscribed to them has something to check. Like a
// real server it answers conditional requests: a feed that has not changed costs a 304.

#include <httplib.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

#include "conditional_get.h"
#include "demo_feeds.h"

namespace {

using vellorin::demo::DemoSchedule;
using vellorin::demo::DemoSources;

constexpr int kDefaultPort = 8765;
constexpr double kDefaultIntervalMinutes = 3;

struct Options {
    int port = kDefaultPort;
    double intervalMinutes = kDefaultIntervalMinutes;
    bool printLinks = false;
    bool help = false;
};

void PrintUsage(std::ostream& out) {
    out << "Usage: vellorin-demo-service [--port N] [--interval MINUTES] [--print-links]\n\n"
           "Serves the demo Message Sources on http://127.0.0.1:N/www.vellorin.net/feeds/\n"
           "(default port "
        << kDefaultPort << "). Each source gets a new message every MINUTES minutes (default "
        << kDefaultIntervalMinutes
        << ", fractions allowed).\n"
           "Messages are sent at fixed moments, so a restarted service serves the same ones.\n"
           "--print-links prints one line per source, title TAB link, and exits.\n";
}

std::optional<std::string> Parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= argc)
                return std::nullopt;
            return std::string(argv[++i]);
        };
        if (arg == "--port") {
            auto v = value();
            char* end = nullptr;
            long port = v ? std::strtol(v->c_str(), &end, 10) : -1;
            if (!v || v->empty() || *end != '\0' || port < 1 || port > 65535)
                return "--port needs a number from 1 to 65535";
            options.port = static_cast<int>(port);
        } else if (arg == "--interval") {
            auto v = value();
            char* end = nullptr;
            double minutes = v ? std::strtod(v->c_str(), &end) : -1;
            if (!v || v->empty() || *end != '\0' || !(minutes >= 1.0 / 60) || minutes > 1e6)
                return "--interval needs a number of minutes (at least 1/60)";
            options.intervalMinutes = minutes;
        } else if (arg == "--print-links") {
            options.printLinks = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else {
            return "unknown argument '" + arg + "'";
        }
    }
    return std::nullopt;
}

std::string IndexPage(int port) {
    std::string html =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Vellorin demo "
        "service</title></head><body>\n<h1>Vellorin demo service</h1>\n<ul>\n";
    for (const auto& source : DemoSources()) {
        const std::string link = vellorin::demo::FeedLink(port, source.name);
        html += "<li>" + source.title + ": <a href=\"" + link + "\">" + link + "</a></li>\n";
    }
    return html + "</ul>\n</body></html>\n";
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (auto problem = Parse(argc, argv, options)) {
        std::cerr << "vellorin-demo-service: " << *problem << "\n";
        PrintUsage(std::cerr);
        return 2;
    }
    if (options.help) {
        PrintUsage(std::cout);
        return 0;
    }
    if (options.printLinks) {
        for (const auto& source : DemoSources())
            std::cout << source.title << "\t" << vellorin::demo::FeedLink(options.port, source.name)
                      << "\n";
        return 0;
    }

    const auto interval =
        std::chrono::seconds(static_cast<long long>(options.intervalMinutes * 60 + 0.5));
    const DemoSchedule schedule(interval);
    const int port = options.port;

    httplib::Server server;
    server.Get("/", [port](const httplib::Request&, httplib::Response& response) {
        response.set_content(IndexPage(port), "text/html; charset=UTF-8");
    });
    server.Get(
        R"(/www\.vellorin\.net/feeds/([A-Za-z0-9_-]+)\.rss)",
        [&schedule, port](const httplib::Request& request, httplib::Response& response) {
            const std::string name = request.matches[1];
            const auto& sources = DemoSources();
            for (std::size_t i = 0; i < sources.size(); ++i) {
                if (sources[i].name != name)
                    continue;
                const int index = static_cast<int>(i);
                const auto now = std::chrono::system_clock::now();
                // The feed changes only when a message is sent: that moment is its
                // Last-Modified, and its bytes make its ETag.
                const std::string feed = vellorin::demo::FeedDocument(index, port, schedule, now);
                const auto sent = schedule.messageTime(index, schedule.newestMessage(index, now));
                vellorin::tools::ServeConditional(
                    request, response, feed, "application/rss+xml; charset=UTF-8",
                    vellorin::tools::EntityTag(feed), std::chrono::system_clock::to_time_t(sent));
                return;
            }
            response.status = 404;
            response.set_content("no such feed\n", "text/plain");
        });

    if (!server.bind_to_port("127.0.0.1", port)) {
        std::cerr << "vellorin-demo-service: cannot listen on 127.0.0.1:" << port
                  << " (is it already running?)\n";
        return 1;
    }
    std::cout << "vellorin-demo-service: serving " << DemoSources().size()
              << " sources on http://127.0.0.1:" << port << "/ (a new message every "
              << interval.count() << " s)" << std::endl;
    return server.listen_after_bind() ? 0 : 1;
}
