#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace vellorin::demo {

// One Message Source of the demo service.
struct DemoSource {
    std::string name;   // the feed's file name without ".rss"
    std::string title;  // the channel's title, proposed as the subscription's title
    std::string senderName;
    std::string senderAddress;
    std::string replyName;
    std::string replyAddress;
    std::vector<std::string> subjects;  // cycled through; never holding "date" or "reply"
    std::vector<std::string> bodies;    // HTML paragraphs, cycled through
};

// The sources the service offers.
const std::vector<DemoSource>& DemoSources();

// When the messages of the sources are sent: one every `interval`, at fixed moments counted from
// the Unix epoch (each source a few seconds after the one before), so that a restarted service
// serves the very same messages, with the same numbers, dates and guids, as before.
class DemoSchedule {
public:
    using time_point = std::chrono::system_clock::time_point;

    explicit DemoSchedule(std::chrono::seconds interval)
        : interval_(interval.count() > 0 ? interval : std::chrono::seconds(1)) {}

    // The number of the newest message source number `sourceIndex` has sent by `now`.
    long long newestMessage(int sourceIndex, time_point now) const;
    // When message number `n` of source number `sourceIndex` was sent.
    time_point messageTime(int sourceIndex, long long n) const;

    // The newest messages a feed lists (so a new subscriber finds this many at once).
    static constexpr int kFeedLength = 5;

private:
    std::chrono::seconds offset(int sourceIndex) const;

    std::chrono::seconds interval_;
};

// An RFC 822 date in UTC as feeds write it: "Mon, 05 Dec 2026 08:56:31 +0000".
std::string Rfc822Date(DemoSchedule::time_point t);

// The link of a source's feed on the service at `port`:
// "http://127.0.0.1:PORT/www.vellorin.net/feeds/NAME.rss".
std::string FeedLink(int port, std::string_view name);

// The RSS 2.0 document of source number `sourceIndex` at `now`: its newest messages first, each
// an item with title, guid, pubDate and a description that starts with the service's header block
// (from, subject, date, reply-to inside an HTML comment), then a style element and the body.
std::string FeedDocument(int sourceIndex, int port, const DemoSchedule& schedule,
                         DemoSchedule::time_point now);

// The subject (and item title) of message number `n`: one of the source's subjects and the time
// it was sent, e.g. "Payment received (20:25 UTC)".
std::string MessageSubject(const DemoSource& source, long long n, DemoSchedule::time_point sent);

// The description of message number `n` of a source, as the item carries it (before XML
// escaping).
std::string MessageDescription(const DemoSource& source, long long n,
                               DemoSchedule::time_point sent);

}  // namespace vellorin::demo
