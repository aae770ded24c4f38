#include "inbox/scheduler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <tuple>

#include "config/settings.h"
#include "inbox/check_feed_server.h"
#include "inbox/check_run.h"
#include "inbox/inbox_world.h"
#include "inbox/online_state.h"
#include "subscriptions/subscriptions.h"
#include "support/local_time.h"
#include "support/scoped_env.h"
#include "view/tree_control.h"

namespace vellorin {
namespace {

using namespace std::chrono_literals;
using test::LocalTime;
using test::Strings;

class RecordingView : public SchedulerView {
public:
    void statusChanged(const std::string& text) override { statuses.push_back(text); }
    void timerChanged(int intervalMs, bool enabled) override {
        timers.push_back(std::to_string(intervalMs) + (enabled ? " on" : " off"));
    }
    Strings statuses, timers;
};

class SchedulerTest : public ::testing::Test, public test::InboxWorld {
protected:
    SchedulerTest() : scheduler_(context.scheduler) {
        at(12, 0, 0);
        test::PrepareLocalHttp();
        context.online.setOverride(true);
        context.check.transferOptions.totalTimeout = 2s;
        scheduler_.setView(&view_);
        server_.serve("/feed",
                      test::RssDocument(test::RssItem("a1", "A", "Mon, 05 Dec 2026 08:00:00 GMT")));
        EXPECT_TRUE(context.subscriptions.AddSource("Alpha", server_.url("/feed")));
        context.subscriptions.LoadSubscriptions(tree_);
    }
    void at(int hour, int minute, int second) { clock.set(LocalTime(hour, minute, second)); }

    Scheduler& scheduler_;
    RecordingView view_;
    TreeControl tree_{"tvMessages"};
    test::FeedServer server_;
};

TEST_F(SchedulerTest, DueOnlyWhenMoreWholeSecondsThanTheIntervalHavePassed) {
    const Clock::time_point base = LocalTime(23, 50, 0);
    const std::tuple<int, int, int, bool> cases[] = {{0, 0, 900'999, false},
                                                     {0, 900, 901'000, true},
                                                     {5, 0, 1'000, false},
                                                     {-1, 900, 901'000, true}};
    for (const auto& [freq, lastMs, nowMs, due] : cases) {
        context.settings.freq = static_cast<std::int16_t>(freq);
        scheduler_.LastCheck = base + std::chrono::milliseconds(lastMs);
        clock.set(base + std::chrono::milliseconds(nowMs));
        EXPECT_EQ(scheduler_.IsScheduleDue(), due) << freq << ": " << lastMs << " to " << nowMs;
    }
    EXPECT_EQ(ScheduleInterval(9, "-debug"), 60);
    EXPECT_EQ(ScheduleInterval(1, "-debug -s"), 1800);

    context.settings.freq = 0;
    scheduler_.LastCheck = base;
    clock.set(base + 3s);
    const std::tuple<const char*, bool> overrides[] = {
        {"2", true}, {"3", false}, {"0", true}, {"2x", false}, {"-1", false}};
    for (const auto& [value, due] : overrides) {
        test::ScopedEnv env("VELLORIN_SCHEDULE_SECONDS", value);
        EXPECT_EQ(scheduler_.IsScheduleDue(), due) << value;
    }
}

TEST_F(SchedulerTest, TicksRunTheScheduleWhenDueAndOnlineSilentlyAndManualRunsDoNotMoveIt) {
    context.online.setOverride(false);
    scheduler_.tmrSchedule_Timer(tree_);
    EXPECT_FALSE(scheduler_.LastCheck.has_value());
    context.online.setOverride(true);
    scheduler_.tmrSchedule_Timer(tree_);
    EXPECT_EQ(view_.statuses, (Strings{"Status: Executing Schedule ...",
                                       "Status: Idle (Last Check: 12:00:00 PM)"}));
    EXPECT_EQ(view_.timers, (Strings{"20000 off", "20000 on", "20000 off", "2000 on"}));

    at(12, 10, 0);
    scheduler_.mnuMsgSourceCheckAll_Click(tree_);
    at(12, 15, 0);
    scheduler_.tmrSchedule_Timer(tree_);
    EXPECT_EQ(server_.hits("/feed"), 2);
    at(12, 15, 1);
    server_.serve("/feed", "<html>gone</html>", "text/html", 404);
    scheduler_.tmrSchedule_Timer(tree_);
    EXPECT_EQ(server_.hits("/feed"), 3);
    EXPECT_EQ(scheduler_.statusText(), "Status: Idle (Last Check: 12:15:01 PM)");
    EXPECT_TRUE(seam.boxes.empty());
}

TEST_F(SchedulerTest, RunsNeverNest) {
    seam.onEvents = [&] { scheduler_.tmrSchedule_Timer(tree_); };
    scheduler_.mnuMsgSourceCheckAll_Click(tree_);
    EXPECT_FALSE(scheduler_.LastCheck.has_value());
    seam.onEvents = [&] { scheduler_.mnuMsgSourceCheckAll_Click(tree_); };
    view_.statuses.clear();
    scheduler_.tmrSchedule_Timer(tree_);
    EXPECT_EQ(server_.hits("/feed"), 3);  // the manual run, the tick's and the joined one
    EXPECT_EQ(view_.statuses, (Strings{"Status: Executing Schedule ...",
                                       "Status: Idle (Last Check: 12:00:00 PM)"}));
}

}  // namespace
}  // namespace vellorin
