#include "demo_feeds.h"

#include <cstdio>
#include <ctime>

namespace vellorin::demo {
namespace {

std::string XmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// A CDATA section holding `text`; a "]]>" inside is split across two sections.
std::string Cdata(std::string_view text) {
    std::string out = "<![CDATA[";
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.substr(i, 3) == "]]>") {
            out += "]]]]><![CDATA[>";
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out + "]]>";
}

}  // namespace

const std::vector<DemoSource>& DemoSources() {
    static const std::vector<DemoSource> sources = {
        {"announcements",
         "Vellorin Announcements",
         "Vellorin Team",
         "team@vellorin.net",
         "Vellorin Help Desk",
         "help@vellorin.net",
         {"Welcome to the service", "New features this week", "Planned maintenance window",
          "Tips for your inbox"},
         {"<p>Thank you for using the service. This message shows how announcements look in "
          "your inbox.</p>",
          "<p>Messages can be <b>marked</b>, deleted and exported from the tree's menu.</p>",
          "<p>The service will be briefly unavailable tonight between 02:00 and 02:30 UTC.</p>"}},
        {"billing",
         "Billing",
         "Vellorin Billing",
         "billing@vellorin.net",
         "Billing Desk",
         "billing-desk@vellorin.net",
         {"Your invoice is ready", "Payment received", "Card expires soon"},
         {"<p>Your monthly invoice is available. Amount due: <b>12.00 EUR</b>.</p>",
          "<p>We have received your payment. Thank you!</p>",
          "<p>The card on file expires next month; please review your payment details.</p>"}},
        {"security",
         "Security Alerts",
         "Vellorin Security",
         "security@vellorin.net",
         "Security Team",
         "security-team@vellorin.net",
         {"New sign-in to your account", "Password changed", "Two-step verification enabled"},
         {"<p>A new sign-in to your account was noticed from a desktop client on Linux.</p>",
          "<p>If this was not you, change your password at once and contact us.</p>"}},
    };
    return sources;
}

std::chrono::seconds DemoSchedule::offset(int sourceIndex) const {
    return std::chrono::seconds(7 * sourceIndex);
}

long long DemoSchedule::newestMessage(int sourceIndex, time_point now) const {
    const auto since =
        std::chrono::floor<std::chrono::seconds>(now.time_since_epoch()) - offset(sourceIndex);
    return since.count() < 0 ? 0 : since / interval_;
}

DemoSchedule::time_point DemoSchedule::messageTime(int sourceIndex, long long n) const {
    return time_point(interval_ * n + offset(sourceIndex));
}

std::string Rfc822Date(DemoSchedule::time_point t) {
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[40];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d +0000", kDays[utc.tm_wday],
                  utc.tm_mday, kMonths[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min,
                  utc.tm_sec);
    return text;
}

std::string FeedLink(int port, std::string_view name) {
    return "http://127.0.0.1:" + std::to_string(port) + "/www.vellorin.net/feeds/" +
           std::string(name) + ".rss";
}

std::string MessageSubject(const DemoSource& source, long long n, DemoSchedule::time_point sent) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(sent);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char at[24];
    std::snprintf(at, sizeof at, " (%02d:%02d UTC)", utc.tm_hour, utc.tm_min);
    return source.subjects[static_cast<std::size_t>(n) % source.subjects.size()] + at;
}

std::string MessageDescription(const DemoSource& source, long long n,
                               DemoSchedule::time_point sent) {
    const std::string& body = source.bodies[static_cast<std::size_t>(n) % source.bodies.size()];
    // The header block as the client reads it: an HTML comment from "header start:" to
    // "header end -->", entities for the quotes and angle brackets, "<br />" after each line.
    std::string d = "<!-- header start:\n";
    d += "from: &quot;" + source.senderName + "&quot; &lt;" + source.senderAddress + "&gt;<br />\n";
    d += "subject: " + MessageSubject(source, n, sent) + "<br />\n";
    d += "date: " + Rfc822Date(sent) + "<br />\n";
    d += "reply-to: &quot;" + source.replyName + "&quot; &lt;" + source.replyAddress +
         "&gt;<br />\n";
    d += "header end -->";
    d += "<style type=\"text/css\">body { font-family: sans-serif; font-size: 10pt; }</style>\n";
    d += body + "\n<p>Message number " + std::to_string(n) + " of " + source.title + ".</p>";
    return d;
}

std::string FeedDocument(int sourceIndex, int port, const DemoSchedule& schedule,
                         DemoSchedule::time_point now) {
    const DemoSource& source = DemoSources().at(static_cast<std::size_t>(sourceIndex));
    const long long newest = schedule.newestMessage(sourceIndex, now);
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\">\n<channel>\n";
    xml += "<title>" + XmlEscape(source.title) + "</title>\n";
    xml += "<link>" + XmlEscape(FeedLink(port, source.name)) + "</link>\n";
    xml += "<description>Messages of " + XmlEscape(source.title) + "</description>\n";
    xml += "<lastBuildDate>" + Rfc822Date(schedule.messageTime(sourceIndex, newest)) +
           "</lastBuildDate>\n";
    for (long long n = newest; n >= 0 && n > newest - DemoSchedule::kFeedLength; --n) {
        const DemoSchedule::time_point sent = schedule.messageTime(sourceIndex, n);
        xml += "<item>\n";
        xml += "<title>" + XmlEscape(MessageSubject(source, n, sent)) + "</title>\n";
        xml += "<guid isPermaLink=\"false\">vellorin-demo:" + source.name + ":" +
               std::to_string(n) + "</guid>\n";
        xml += "<pubDate>" + Rfc822Date(sent) + "</pubDate>\n";
        xml += "<description>" + Cdata(MessageDescription(source, n, sent)) + "</description>\n";
        xml += "</item>\n";
    }
    xml += "</channel>\n</rss>\n";
    return xml;
}

}  // namespace vellorin::demo
