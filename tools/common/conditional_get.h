#pragma once

// Conditional GET for the local feed servers (the demo service and the benchmark's server): they
// answer as an origin server that keeps validators does, so that clients can be tried and timed
// against the replies real servers give. Header-only; needs cpp-httplib.

#include <httplib.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>

namespace vellorin::tools {

// An HTTP date (IMF-fixdate), e.g. "Sun, 06 Nov 1994 08:49:37 GMT".
inline std::string HttpDate(std::time_t t) {
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[40];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &utc);
    return text;
}

// The moment an IMF-fixdate names; -1 when the text is not one.
inline std::time_t ParseHttpDate(const std::string& text) {
    std::tm utc{};
    const char* end = strptime(text.c_str(), "%a, %d %b %Y %H:%M:%S GMT", &utc);
    if (!end || *end != '\0')
        return -1;
    return timegm(&utc);
}

// A strong entity tag for a representation: the 64-bit FNV-1a digest of its bytes, in quotes.
inline std::string EntityTag(std::string_view body) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (char c : body) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    char text[24];
    std::snprintf(text, sizeof text, "\"%016llx\"", static_cast<unsigned long long>(hash));
    return text;
}

// True when an If-None-Match value names `etag`: "*", or a list of entity tags one of which
// matches it by the weak comparison (a "W/" prefix ignored on both sides). A malformed list
// matches nothing.
inline bool NoneMatchNames(std::string_view header, std::string_view etag) {
    auto opaque = [](std::string_view tag) {
        if (tag.substr(0, 2) == "W/")
            tag.remove_prefix(2);
        return tag;
    };
    std::size_t i = 0;
    while (i < header.size()) {
        const char c = header[i];
        if (c == ' ' || c == '\t' || c == ',') {
            ++i;
            continue;
        }
        if (c == '*')
            return true;
        const std::size_t start = i;
        if (header.substr(i, 2) == "W/")
            i += 2;
        if (i >= header.size() || header[i] != '"')
            return false;
        const std::size_t close = header.find('"', i + 1);
        if (close == std::string_view::npos)
            return false;
        if (opaque(header.substr(start, close + 1 - start)) == opaque(etag))
            return true;
        i = close + 1;
    }
    return false;
}

// Answers a GET of a resource whose current representation is `body`, with the validators
// `etag` and `lastModified`: both go with every reply; the reply is a 304 without a body when the
// request's If-None-Match names the ETag, or, when it has no If-None-Match, its If-Modified-Since
// is a date not earlier than the Last-Modified; otherwise the body with status 200.
inline void ServeConditional(const httplib::Request& request, httplib::Response& response,
                             const std::string& body, const char* contentType,
                             const std::string& etag, std::time_t lastModified) {
    response.set_header("ETag", etag);
    response.set_header("Last-Modified", HttpDate(lastModified));
    bool unchanged = false;
    if (request.has_header("If-None-Match")) {
        unchanged = NoneMatchNames(request.get_header_value("If-None-Match"), etag);
    } else if (request.has_header("If-Modified-Since")) {
        const std::time_t since = ParseHttpDate(request.get_header_value("If-Modified-Since"));
        unchanged = since >= 0 && lastModified <= since;
    }
    if (unchanged) {
        response.status = 304;
        return;
    }
    response.set_content(body, contentType);
}

}  // namespace vellorin::tools
