#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "browserlink/address_source.h"

namespace vellorin {

// Browser codes of the monitor's events.
constexpr int kBrowserFirefox = 0;
constexpr int kBrowserInternetExplorer = 1;

// The periodic timer that drives the monitor; the desktop client gives a window timer, tests tick
// it by hand. start replaces an earlier tick function and interval.
class MonitorTimer {
public:
    virtual ~MonitorTimer() = default;
    virtual void start(int intervalMs, std::function<void()> tick) = 0;
    virtual void stop() = 0;
};

// clsURLMon: watches which address the user's browsers show. While polling, each tick asks every
// watched browser's address source for its reply, parses it, and raises URLChanged when the
// address differs (letter case counts) from the last one reported for that browser, then
// TitleChanged with the title when the reply has one. A browser that does not answer leaves its
// previous reply in place, which parses to the address already reported: no event. Each browser
// keeps its own reply, so one browser's answer is never taken for another's.
class clsURLMon {
public:
    static constexpr int kPollIntervalMs = 500;

    // `firefox` and `iexplore` answer for the two browser services; `timer` drives the polling.
    // All three are owned.
    clsURLMon(std::unique_ptr<AddressSource> firefox, std::unique_ptr<AddressSource> iexplore,
              std::unique_ptr<MonitorTimer> timer);
    ~clsURLMon();
    clsURLMon(const clsURLMon&) = delete;
    clsURLMon& operator=(const clsURLMon&) = delete;

    std::string LastFirefoxURL;
    std::string LastInternetExplorerURL;
    // True after StartMon, false after StopMon; the polling does not consult it.
    bool Active = false;
    bool MonitorIE = false;
    bool MonitorFireFox = false;

    // Raised synchronously from a tick.
    std::function<void(const std::string& Title)> TitleChanged;
    std::function<void(int BrowserApp, const std::string& sURL)> URLChanged;

    // Starts polling every kPollIntervalMs (a running poll starts afresh); Active becomes true.
    void StartMon();
    // Ends the polling; Active becomes false. The last addresses are kept.
    void StopMon();
    // One tick: polls Firefox when MonitorFireFox, then Internet Explorer when MonitorIE.
    void myTimer_ThatTime();
    // Polls one browser (kBrowserFirefox or kBrowserInternetExplorer; any other code does
    // nothing) and raises the events its reply calls for.
    void GetDDEURL(int enmBrowser);
    // The address source of a browser (by its code), nullptr for any other code or none.
    AddressSource* source(int enmBrowser) const;

private:
    struct Browser {
        std::unique_ptr<AddressSource> source;
        // The last reply received: what a browser that does not answer is taken to say.
        std::string reply;
    };

    Browser firefox_;
    Browser iexplore_;
    std::unique_ptr<MonitorTimer> myTimer_;
};

// A reply split as the monitor reads it: the address and the title (either may be empty).
struct ParsedReply {
    std::string address;
    std::string title;
};

// Parses a reply: the text after its first character (the opening quote) split at every
// quote-comma-quote; the address is piece 0 without a leading quote, the title piece 1 without a
// trailing quote. Nothing when there is no quote-comma-quote.
std::optional<ParsedReply> ParseAddressReply(const std::string& reply);

}  // namespace vellorin
