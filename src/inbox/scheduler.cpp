#include "inbox/scheduler.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <utility>

#include "base/app_context.h"
#include "base/command_line.h"
#include "config/settings.h"
#include "inbox/check_run.h"
#include "inbox/online_state.h"
#include "view/tree_control.h"

namespace vellorin {
namespace {

constexpr long kDebugIntervalSeconds = 60;

// For benchmarks and tests only: VELLORIN_SCHEDULE_SECONDS, a whole number of seconds up to a day,
// takes the place of the interval the settings give, so that a day of scheduled runs fits into
// minutes. Anything else in it is ignored.
std::optional<long> IntervalFromEnvironment() {
    const char* value = std::getenv("VELLORIN_SCHEDULE_SECONDS");
    if (!value)
        return std::nullopt;
    const std::string_view text(value);
    long seconds = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc() || end != text.data() + text.size() || seconds < 0 ||
        seconds > 86400) {
        return std::nullopt;
    }
    return seconds;
}

std::chrono::seconds::rep WholeSeconds(Clock::time_point t) {
    return std::chrono::floor<std::chrono::seconds>(t.time_since_epoch()).count();
}

}  // namespace

long ScheduleInterval(int frequencyIndex, const std::string& commandLine) {
    if (IsDebugSchedule(commandLine))
        return kDebugIntervalSeconds;
    switch (frequencyIndex) {
        case 1:
            return 1800;
        case 2:
            return 3600;
        default:
            // An unknown index checks as often as the default does, never continuously.
            return 900;
    }
}

std::string FormatTimeAmPm(const std::tm& local) {
    const int hour12 = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d %s", hour12, local.tm_min % 60,
                  local.tm_sec % 61, local.tm_hour < 12 ? "AM" : "PM");
    return text;
}

std::string IdleAfterScheduleText(Clock::time_point lastCheck) {
    const std::time_t seconds = static_cast<std::time_t>(WholeSeconds(lastCheck));
    std::tm local{};
    localtime_r(&seconds, &local);
    return "Status: Idle (Last Check: " + FormatTimeAmPm(local) + ")";
}

void Scheduler::EnableTimer() {
    setTimer(timerInterval_, true);
}

void Scheduler::DisableTimer() {
    setTimer(timerInterval_, false);
}

bool Scheduler::IsScheduleDue() const {
    if (!LastCheck)
        return true;
    const long interval = IntervalFromEnvironment().value_or(
        ScheduleInterval(context_.settings.freq, context_.commandLine()));
    return WholeSeconds(context_.clock().now()) - WholeSeconds(*LastCheck) > interval;
}

void Scheduler::tmrSchedule_Timer(TreeControl& tvMessages) {
    setTimer(timerInterval_, false);
    // A run in progress (a manual one whose events brought this tick) defers the schedule to a
    // later tick instead of nesting a run inside it.
    if (context_.check.running() || !context_.online.IsOnline() || !IsScheduleDue()) {
        setTimer(timerInterval_, true);
        return;
    }
    setStatus(kStatusExecutingSchedule);
    runCheck(tvMessages, false, true);
    LastCheck = context_.clock().now();
    setTimer(kTickMs, true);
    setStatus(IdleAfterScheduleText(*LastCheck));
}

void Scheduler::mnuMsgSourceCheckAll_Click(TreeControl& tvMessages) {
    if (tvMessages.count() == 0)
        return;
    runCheck(tvMessages, true, true);
}

void Scheduler::mnuMsgSourceCheckCurrent_Click(TreeControl& tvMessages) {
    mCheck& check = context_.check;
    if (tvMessages.count() == 0 || check.IsBusy() || check.running())
        return;
    setStatus(kStatusChecking);
    runCheck(tvMessages, true, false);
    setStatus(kStatusIdle);
}

void Scheduler::CheckSelectedSource(TreeControl& tvMessages) {
    runCheck(tvMessages, true, false);
}

void Scheduler::runCheck(TreeControl& tvMessages, bool interactive, bool all) {
    mCheck& check = context_.check;
    const bool joining = check.running();
    check.InteractiveCheck = interactive;
    check.QueueSources(tvMessages, all);
    if (joining) {
        // The run below this one on the stack works the new entries off; waiting for it here
        // would never end, and enabling the tree would free it in the middle of that run.
        check.ProcessQueue(tvMessages);
        return;
    }
    tvMessages.setEnabled(false);
    check.ProcessQueue(tvMessages);
    while (check.IsBusy()) {
        context_.seam().processEvents();
        context_.seam().pause(kWaitPauseMs);
    }
    tvMessages.setEnabled(true);
}

void Scheduler::setStatus(std::string text) {
    statusText_ = std::move(text);
    if (view_)
        view_->statusChanged(statusText_);
}

void Scheduler::setTimer(int intervalMs, bool enabled) {
    timerInterval_ = intervalMs;
    timerEnabled_ = enabled;
    if (view_)
        view_->timerChanged(intervalMs, enabled);
}

}  // namespace vellorin
