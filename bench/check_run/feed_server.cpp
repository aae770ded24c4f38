// bench_feed_server: serves many generated RSS 2.0 feeds in the service's format from memory on
// 127.0.0.1, for timing whole check runs. Prints "PORT <n>" once it listens, then serves until
// killed. Every feed is made once at start-up, so the server adds as little as possible to what
// the clients under test spend. Like a real server it sends each feed with an ETag and a
// Last-Modified (the moment it started) and answers a conditional request for it with a 304.

#include <httplib.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "conditional_get.h"

namespace {

struct Options {
    int port = 0;
    int sources = 200;
    int items = 50;
    int descriptionBytes = 2048;
    std::string urlsFile;
};

bool ParseInt(const char* text, int minimum, int& value) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || v < minimum || v > 1000000)
        return false;
    value = static_cast<int>(v);
    return true;
}

std::string PubDate(int sourceIndex, int item) {
    static constexpr const char* kDays[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};
    // Item 0 is the newest; items are an hour apart, sources a minute apart, all in December 2026.
    const int minutes = 31 * 24 * 60 - 1 - item * 60 - sourceIndex % 60;
    const int day = minutes / (24 * 60);
    const int hour = minutes / 60 % 24;
    const int minute = minutes % 60;
    char text[48];
    std::snprintf(text, sizeof text, "%s, %02d Dec 2026 %02d:%02d:%02d +0000", kDays[day % 7],
                  day + 1, hour, minute, sourceIndex % 60);
    return text;
}

std::string Description(int sourceIndex, int item, const std::string& date, int bytes) {
    std::string d = "<!-- header start:\nfrom: &quot;Bench Sender " + std::to_string(sourceIndex) +
                    "&quot; &lt;sender" + std::to_string(sourceIndex) +
                    "@vellorin.net&gt;<br />\nsubject: Message " + std::to_string(item) +
                    "<br />\ndate: " + date +
                    "<br />\nreply-to: &quot;Desk&quot; &lt;desk@vellorin.net&gt;<br />\n"
                    "header end --><style type=\"text/css\">p { margin: 0; }</style>\n<p>";
    static const std::string kWords =
        "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor "
        "incididunt ut labore et dolore magna aliqua. ";
    while (static_cast<int>(d.size()) < bytes - 4)
        d += kWords;
    d.resize(static_cast<std::size_t>(bytes - 4));
    return d + "</p>";
}

std::string Feed(int sourceIndex, const Options& options) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\">\n<channel>\n"
        "<title>Bench source " +
        std::to_string(sourceIndex) + "</title>\n<link>https://www.vellorin.net/</link>\n" +
        "<description>Generated</description>\n";
    for (int item = 0; item < options.items; ++item) {
        const std::string date = PubDate(sourceIndex, item);
        xml += "<item>\n<title>Message " + std::to_string(item) + " of source " +
               std::to_string(sourceIndex) + "</title>\n<guid isPermaLink=\"false\">bench-" +
               std::to_string(sourceIndex) + "-" + std::to_string(item) + "</guid>\n<pubDate>" +
               date + "</pubDate>\n<description><![CDATA[" +
               Description(sourceIndex, item, date, options.descriptionBytes) +
               "]]></description>\n</item>\n";
    }
    return xml + "</channel>\n</rss>\n";
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool ok = value != nullptr;
        if (arg == "--port")
            ok = ok && ParseInt(value, 0, options.port);
        else if (arg == "--sources")
            ok = ok && ParseInt(value, 1, options.sources);
        else if (arg == "--items")
            ok = ok && ParseInt(value, 0, options.items);
        else if (arg == "--description-bytes")
            ok = ok && ParseInt(value, 200, options.descriptionBytes);
        else if (arg == "--urls")
            options.urlsFile = value ? value : "";
        else
            ok = false;
        if (!ok) {
            std::cerr << "usage: bench_feed_server [--port N] [--sources N] [--items N] "
                         "[--description-bytes N] [--urls FILE]\n";
            return 2;
        }
        ++i;
    }

    std::vector<std::string> feeds;
    std::vector<std::string> etags;
    feeds.reserve(static_cast<std::size_t>(options.sources));
    etags.reserve(static_cast<std::size_t>(options.sources));
    for (int s = 0; s < options.sources; ++s) {
        feeds.push_back(Feed(s, options));
        etags.push_back(vellorin::tools::EntityTag(feeds.back()));
    }
    const std::time_t madeAt = std::time(nullptr);

    // How many feed requests were answered, for scripts that count check runs (GET /count).
    std::atomic<long> answered = 0;
    httplib::Server server;
    server.Get("/count", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content(std::to_string(answered.load()) + "\n", "text/plain");
    });
    server.Get(R"(/www\.vellorin\.net/feeds/bench-(\d+)\.rss)", [&](const httplib::Request& request,
                                                                    httplib::Response& response) {
        const long index = std::strtol(request.matches[1].str().c_str(), nullptr, 10);
        if (index < 0 || index >= static_cast<long>(feeds.size())) {
            response.status = 404;
            return;
        }
        const auto i = static_cast<std::size_t>(index);
        vellorin::tools::ServeConditional(request, response, feeds[i],
                                          "application/rss+xml; charset=UTF-8", etags[i], madeAt);
        ++answered;
    });
    const int port = options.port == 0
                         ? server.bind_to_any_port("127.0.0.1")
                         : (server.bind_to_port("127.0.0.1", options.port) ? options.port : -1);
    if (port <= 0) {
        std::cerr << "bench_feed_server: cannot listen\n";
        return 1;
    }
    if (!options.urlsFile.empty()) {
        std::ofstream urls(options.urlsFile);
        for (int s = 0; s < options.sources; ++s)
            urls << "http://127.0.0.1:" << port << "/www.vellorin.net/feeds/bench-" << s
                 << ".rss\n";
    }
    std::cout << "PORT " << port << std::endl;
    return server.listen_after_bind() ? 0 : 1;
}
