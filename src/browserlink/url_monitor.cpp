#include "browserlink/url_monitor.h"

#include <string_view>
#include <utility>

namespace vellorin {
namespace {

constexpr std::string_view kFieldSeparator = "\",\"";

}  // namespace

std::string MakeAddressReply(const std::string& address, const std::string& title) {
    return "\"" + address + "\",\"" + title + "\",\"\"";
}

std::optional<ParsedReply> ParseAddressReply(const std::string& reply) {
    if (reply.empty())
        return std::nullopt;
    const std::string_view text = std::string_view(reply).substr(1);
    const std::size_t first = text.find(kFieldSeparator);
    if (first == std::string_view::npos)
        return std::nullopt;
    ParsedReply parsed;
    std::string_view address = text.substr(0, first);
    if (!address.empty() && address.front() == '"')
        address.remove_prefix(1);
    parsed.address = address;
    std::string_view rest = text.substr(first + kFieldSeparator.size());
    std::string_view title = rest.substr(0, rest.find(kFieldSeparator));
    if (!title.empty() && title.back() == '"')
        title.remove_suffix(1);
    parsed.title = title;
    return parsed;
}

clsURLMon::clsURLMon(std::unique_ptr<AddressSource> firefox,
                     std::unique_ptr<AddressSource> iexplore, std::unique_ptr<MonitorTimer> timer)
    : myTimer_(std::move(timer)) {
    firefox_.source = std::move(firefox);
    iexplore_.source = std::move(iexplore);
}

clsURLMon::~clsURLMon() {
    StopMon();
}

void clsURLMon::StartMon() {
    if (myTimer_)
        myTimer_->start(kPollIntervalMs, [this] { myTimer_ThatTime(); });
    Active = true;
}

void clsURLMon::StopMon() {
    if (myTimer_)
        myTimer_->stop();
    Active = false;
}

void clsURLMon::myTimer_ThatTime() {
    if (MonitorFireFox)
        GetDDEURL(kBrowserFirefox);
    if (MonitorIE)
        GetDDEURL(kBrowserInternetExplorer);
}

AddressSource* clsURLMon::source(int enmBrowser) const {
    return enmBrowser == kBrowserFirefox            ? firefox_.source.get()
           : enmBrowser == kBrowserInternetExplorer ? iexplore_.source.get()
                                                    : nullptr;
}

void clsURLMon::GetDDEURL(int enmBrowser) {
    Browser* browser = enmBrowser == kBrowserFirefox            ? &firefox_
                       : enmBrowser == kBrowserInternetExplorer ? &iexplore_
                                                                : nullptr;
    if (browser == nullptr)
        return;
    if (browser->source) {
        if (std::optional<std::string> answer = browser->source->request())
            browser->reply = std::move(*answer);
    }
    std::optional<ParsedReply> parsed = ParseAddressReply(browser->reply);
    if (!parsed)
        return;
    std::string& last = enmBrowser == kBrowserFirefox ? LastFirefoxURL : LastInternetExplorerURL;
    if (parsed->address == last)
        return;
    if (URLChanged)
        URLChanged(enmBrowser, parsed->address);
    last = parsed->address;
    if (!parsed->title.empty() && TitleChanged)
        TitleChanged(parsed->title);
}

}  // namespace vellorin
