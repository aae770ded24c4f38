#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "base/clock.h"
#include "base/monotonic_clock.h"
#include "base/user_seam.h"

namespace vellorin {

class TreeControl;

// PlugInSnoozeMode: how the unread-messages popup was last answered.
enum class PlugInSnoozeMode { None = 0, Snooze = 1, Sleep = 2 };

// The two popups of the browser link handling.
enum class PlugInPopup { Notification, NoSourceNotify };

// What the link handling asks of the windows: whether a popup is open now, and to open one
// (AutoClose false, TransparencyPercentage 5, MakeTransparent true, CanGainFocus false).
class PlugInPopupHost {
public:
    virtual ~PlugInPopupHost() = default;
    virtual bool isPopupOpen(PlugInPopup popup) const = 0;
    virtual void showPopup(PlugInPopup popup) = 0;
};

// True when any node of the message tree has the unread picture.
bool HasUnreadMessages(const TreeControl& tvMessages);

// The main window's side of the browser plug-in: judges each new address the URL monitor
// reports and opens a popup when the browser shows the service's site: the unread-messages popup
// while the message tree holds an unread message and no check run is busy, the add-a-source
// popup while the tree is empty.
//
// "Snooze!" and "Sleep!" (SetPlugInSnoozeMode) hold popups back for kSnoozeSeconds or
// kSleepSeconds from the moment the button was pressed, measured on the monotonic clock, so
// midnight and changes of the system time do not stretch or cut the period. The hold-back is
// judged anew for every address, so it ends on time in a running program.
class BrowserLinkHandling {
public:
    static constexpr std::chrono::seconds kSnoozeSeconds{600};
    static constexpr std::chrono::seconds kSleepSeconds{3000};

    // `appFolder` holds urls.lst, read afresh for every address (a read error is reported through
    // `seam`). `clock` gives LastPopupTime, `monotonic` measures the hold-back. All borrowed.
    BrowserLinkHandling(UserSeam& seam, std::string appFolder, const Clock& clock,
                        const MonotonicClock& monotonic);

    // Replaces the monotonic clock (borrowed).
    void setMonotonicClock(const MonotonicClock& monotonic) { monotonic_ = &monotonic; }

    // Judges one address, in this order: an address equal to LastProcessedURL without regard to
    // letter case is ignored; otherwise it becomes LastProcessedURL. While popups are held back,
    // nothing more. An address whose host is not on the urls.lst list is ignored. With an unread
    // message in `tvMessages`: unless `busy` (a check run is in progress) or the popup is already
    // open, LastPopupTime becomes now and the unread-messages popup opens. Otherwise, with an
    // empty tree, the add-a-source popup opens unless it is already open.
    void ProcessURL(const std::string& sURL, const TreeControl& tvMessages, bool busy,
                    PlugInPopupHost& popups);

    // A popup button: None for "Read Now!", "Check Messages Now!" and "Hide"; Snooze and Sleep
    // start their hold-back from now.
    void SetPlugInSnoozeMode(PlugInSnoozeMode mode);
    PlugInSnoozeMode plugInSnoozeMode() const { return snoozeMode_; }

    // Judges the hold-back now (the tmrPlugIn tick; ProcessURL does the same for each address):
    // popups are held back while Snooze or Sleep was pressed less than its period ago.
    void tmrPlugIn_Timer();
    // The hold-back as last judged.
    bool PlugInSuppressed() const { return plugInSuppressed_; }

    const std::string& LastProcessedURL() const { return lastProcessedURL_; }
    // When the unread-messages popup was last opened; nothing before the first time.
    const std::optional<Clock::time_point>& LastPopupTime() const { return lastPopupTime_; }

private:
    UserSeam& seam_;
    std::string appFolder_;
    const Clock& clock_;
    const MonotonicClock* monotonic_;
    std::string lastProcessedURL_;
    std::optional<Clock::time_point> lastPopupTime_;
    PlugInSnoozeMode snoozeMode_ = PlugInSnoozeMode::None;
    MonotonicClock::time_point snoozePressed_{};
    bool plugInSuppressed_ = false;
};

}  // namespace vellorin
