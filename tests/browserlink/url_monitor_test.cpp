#include "browserlink/url_monitor.h"

#include <gtest/gtest.h>

#include <deque>

namespace vellorin {
namespace {

using Strings = std::vector<std::string>;

// A browser that gives the replies it was handed, one per request, then no answer.
class ScriptedSource final : public AddressSource {
public:
    std::optional<std::string> request() override {
        if (replies.empty())
            return std::nullopt;
        std::optional<std::string> reply = std::move(replies.front());
        replies.pop_front();
        return reply;
    }
    std::deque<std::optional<std::string>> replies;
};

class HandTimer final : public MonitorTimer {
public:
    void start(int ms, std::function<void()> t) override {
        intervalMs = ms;
        tick = std::move(t);
    }
    void stop() override { tick = nullptr; }
    int intervalMs = 0;
    std::function<void()> tick;
};

// The monitor, owning the browsers and the timer above; each report as a line in `events`.
struct Monitor {
    Monitor() {
        mon.URLChanged = [this](int browser, const std::string& url) {
            events.push_back(std::to_string(browser) + " url " + url);
        };
        mon.TitleChanged = [this](const std::string& title) { events.push_back("title " + title); };
    }
    ScriptedSource* firefox = new ScriptedSource;
    ScriptedSource* iexplore = new ScriptedSource;
    HandTimer* timer = new HandTimer;
    clsURLMon mon{std::unique_ptr<AddressSource>(firefox), std::unique_ptr<AddressSource>(iexplore),
                  std::unique_ptr<MonitorTimer>(timer)};
    std::vector<std::string> events;
};

TEST(ParseAddressReplyTest, AddressFirstTitleSecond) {
    // reply, "address|title" ("-": nothing parsed)
    const std::pair<std::string, std::string> cases[] = {
        {R"("https://a.example/x","Page A","")", "https://a.example/x|Page A"},
        {R"("https://a.example/x","Page A")", "https://a.example/x|Page A"},
        {R"("https://a.example/x","","")", "https://a.example/x|"},
        {R"(""https://a.example/","T")", "https://a.example/|T"},  // extra quote dropped
        {R"("https://a.example/")", "-"},
        {"", "-"},
        {R"(x",")", "|"}};
    for (const auto& [reply, expected] : cases) {
        const std::optional<ParsedReply> parsed = ParseAddressReply(reply);
        EXPECT_EQ(parsed ? parsed->address + "|" + parsed->title : "-", expected) << reply;
    }
    EXPECT_EQ(MakeAddressReply("https://a.example/", "A"), R"("https://a.example/","A","")");
}

TEST(UrlMonitorTest, ReportsEachAddressOncePerChangeAndBrowser) {
    Monitor m;
    m.mon.MonitorFireFox = true;
    m.mon.MonitorIE = true;
    const std::string a = MakeAddressReply("https://a.example/", "A");
    const auto tick = [&](const std::optional<std::string>& ff,
                          const std::optional<std::string>& ie, const Strings& expected) {
        m.events.clear();
        m.firefox->replies = {ff};
        m.iexplore->replies = {ie};
        m.mon.myTimer_ThatTime();
        EXPECT_EQ(m.events, expected);
    };
    tick(a, std::nullopt, {"0 url https://a.example/", "title A"});
    tick(a, std::nullopt, {});             // same address: nothing
    tick(std::nullopt, std::nullopt, {});  // no answer: the old reply again, nothing
    tick(MakeAddressReply("https://A.example/", ""), a,
         {"0 url https://A.example/", "1 url https://a.example/", "title A"});
    tick(R"("no separator")", std::nullopt, {});
    tick(a, std::nullopt, {"0 url https://a.example/", "title A"});
    EXPECT_EQ(m.mon.LastInternetExplorerURL, "https://a.example/");

    m.mon.StartMon();
    EXPECT_TRUE(m.mon.Active);
    EXPECT_EQ(m.timer->intervalMs, 500);
    m.firefox->replies = {MakeAddressReply("https://b.example/", "")};
    m.timer->tick();
    EXPECT_EQ(m.mon.LastFirefoxURL, "https://b.example/");
    m.mon.StopMon();
    EXPECT_EQ(m.mon.source(kBrowserFirefox), m.firefox);
    EXPECT_EQ(m.mon.source(kBrowserInternetExplorer), m.iexplore);
    EXPECT_EQ(m.mon.source(7), nullptr);
    m.mon.GetDDEURL(7);  // no such browser: nothing happens
    EXPECT_FALSE(m.mon.Active || m.timer->tick);
    EXPECT_EQ(m.mon.LastFirefoxURL, "https://b.example/");
}

}  // namespace
}  // namespace vellorin
