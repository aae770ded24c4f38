#pragma once

#include <ctime>
#include <optional>
#include <string>

#include "base/clock.h"

namespace vellorin {

class AppContext;
class TreeControl;

// What the scheduler shows: panel 3 of the main window's status bar, and the state of the timer
// tmrSchedule, which the desktop client's QTimer mirrors. The defaults do nothing.
class SchedulerView {
public:
    virtual ~SchedulerView() = default;
    virtual void statusChanged(const std::string& text) { (void)text; }
    virtual void timerChanged(int intervalMs, bool enabled) { (void)intervalMs, (void)enabled; }
};

inline constexpr const char* kStatusIdle = "Status: Idle";
inline constexpr const char* kStatusChecking = "Status: Checking Messages";
inline constexpr const char* kStatusExecutingSchedule = "Status: Executing Schedule ...";

// The seconds between automatic runs for a frequency index: 0 gives 900, 1 gives 1800, 2 gives
// 3600, any other index 900 (never a continuous check); with the command line exactly "-debug", 60
// whatever the index.
long ScheduleInterval(int frequencyIndex, const std::string& commandLine);

// A local time as "hh:mm:ss AM/PM" on the 12-hour clock: 21:05:00 gives "09:05:00 PM", midnight
// "12:00:00 AM", noon "12:00:00 PM".
std::string FormatTimeAmPm(const std::tm& local);

// "Status: Idle (Last Check: " + FormatTimeAmPm of `lastCheck` in local time + ")".
std::string IdleAfterScheduleText(Clock::time_point lastCheck);

// The check scheduler: starts the automatic check runs on its timer's ticks and the manual ones
// on the user's commands, and keeps the status text. Time comes from the context's clock; the
// timer is plain state (interval and enabled flag) that the GUI's timer follows, calling
// tmrSchedule_Timer on each tick. Owned by the AppContext; single-threaded.
//
// Runs never nest: a trigger that comes while a run is in progress (through the events a run
// lets through) either joins it, its sources appended to the queue the run is working through
// (the check-all command and the tree's double-click), or is refused (the check-current
// command), or deferred to a later tick (the timer).
class Scheduler {
public:
    static constexpr int kFirstTickMs = 20000;
    static constexpr int kTickMs = 2000;
    static constexpr int kWaitPauseMs = 5;

    explicit Scheduler(AppContext& context) : context_(context) {}
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    // Borrowed; nullptr for none. The view is not told the current state when set.
    void setView(SchedulerView* view) { view_ = view; }

    // The moment the last automatic run ended; empty until the first. Manual runs leave it.
    std::optional<Clock::time_point> LastCheck;

    // tmrSchedule: 20000 ms and enabled from start-up until the first automatic run, 2000 ms
    // after it; disabled while a tick runs.
    int timerInterval() const { return timerInterval_; }
    bool timerEnabled() const { return timerEnabled_; }
    // Enables the timer with its interval unchanged (saving the preferences does this).
    void EnableTimer();
    // Stops the timer (the main window unloads).
    void DisableTimer();

    // Panel 3's text; "Status: Idle" at start-up.
    const std::string& statusText() const { return statusText_; }

    // True when no automatic run has ended yet, or when the whole seconds between LastCheck and
    // now (the clock's readings cut to the second) are more than ScheduleInterval of the current
    // frequency setting (read at every call).
    [[nodiscard]] bool IsScheduleDue() const;

    // The timer's tick. With the machine online, a due schedule and no run in progress: status
    // "Status: Executing Schedule ...", a scheduled run over every source with the tree disabled,
    // LastCheck := now, tree enabled, timer 2000 ms, status "Status: Idle (Last Check: ...)".
    // Otherwise the timer is enabled again with its interval unchanged.
    void tmrSchedule_Timer(TreeControl& tvMessages);

    // "Check All Sources": nothing when the tree has no nodes; otherwise an interactive run over
    // every source with the tree disabled. The status text is not changed.
    void mnuMsgSourceCheckAll_Click(TreeControl& tvMessages);

    // "Check for New Messages": nothing when the tree has no nodes or a run is busy; otherwise
    // status "Status: Checking Messages", an interactive run over the selected source (none when
    // a message node is selected), status "Status: Idle".
    void mnuMsgSourceCheckCurrent_Click(TreeControl& tvMessages);

    // The tree's double-click on a source node: an interactive run over the selected source, as
    // mnuMsgSourceCheckCurrent_Click but without its busy test and status texts.
    void CheckSelectedSource(TreeControl& tvMessages);

private:
    // One run: InteractiveCheck, QueueSources, tree disabled, ProcessQueue, the wait on the busy
    // flag, tree enabled; only the queueing when a run is already in progress.
    void runCheck(TreeControl& tvMessages, bool interactive, bool all);
    void setStatus(std::string text);
    void setTimer(int intervalMs, bool enabled);

    AppContext& context_;
    SchedulerView* view_ = nullptr;
    int timerInterval_ = kFirstTickMs;
    bool timerEnabled_ = true;
    std::string statusText_ = kStatusIdle;
};

}  // namespace vellorin
