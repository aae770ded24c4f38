#include "browserlink/link_handling.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "subscriptions/link_validation.h"
#include "view/tree_control.h"

namespace vellorin {
namespace {

bool EqualNoCase(const std::string& a, const std::string& b) {
    return std::ranges::equal(
        a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

}  // namespace

bool HasUnreadMessages(const TreeControl& tvMessages) {
    for (std::size_t i = 1; i <= tvMessages.count(); ++i) {
        if (const TreeNode* node = tvMessages.nodeAt(i); node && node->image() == kImageUnread)
            return true;
    }
    return false;
}

BrowserLinkHandling::BrowserLinkHandling(UserSeam& seam, std::string appFolder, const Clock& clock,
                                         const MonotonicClock& monotonic)
    : seam_(seam), appFolder_(std::move(appFolder)), clock_(clock), monotonic_(&monotonic) {}

void BrowserLinkHandling::ProcessURL(const std::string& sURL, const TreeControl& tvMessages,
                                     bool busy, PlugInPopupHost& popups) {
    if (EqualNoCase(sURL, lastProcessedURL_))
        return;
    // Remembered before the hold-back is judged, so that the first return to a listed page after
    // the hold-back is judged like any other new address.
    lastProcessedURL_ = sURL;
    tmrPlugIn_Timer();
    if (plugInSuppressed_)
        return;
    if (!IsSourceLink(seam_, appFolder_, sURL))
        return;
    if (HasUnreadMessages(tvMessages)) {
        if (busy || popups.isPopupOpen(PlugInPopup::Notification))
            return;
        lastPopupTime_ = clock_.now();
        popups.showPopup(PlugInPopup::Notification);
    } else if (tvMessages.count() == 0) {
        if (!popups.isPopupOpen(PlugInPopup::NoSourceNotify))
            popups.showPopup(PlugInPopup::NoSourceNotify);
    }
}

void BrowserLinkHandling::SetPlugInSnoozeMode(PlugInSnoozeMode mode) {
    snoozeMode_ = mode;
    snoozePressed_ = monotonic_->now();
}

void BrowserLinkHandling::tmrPlugIn_Timer() {
    std::chrono::seconds period{};
    switch (snoozeMode_) {
        case PlugInSnoozeMode::None:
            plugInSuppressed_ = false;
            return;
        case PlugInSnoozeMode::Snooze:
            period = kSnoozeSeconds;
            break;
        case PlugInSnoozeMode::Sleep:
            period = kSleepSeconds;
            break;
    }
    plugInSuppressed_ = monotonic_->now() - snoozePressed_ < period;
}

}  // namespace vellorin
