#include "app/scheduler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/app_context.h"
#include "inbox/check_feed_server.h"
#include "inbox/online_state.h"
#include "support/event_seam.h"
#include "support/recording_seam.h"
#include "support/temp_dir.h"
#include "view/tree_control.h"

namespace vellorin {
namespace {

using namespace std::chrono_literals;
using test::FeedServer;
using test::RssDocument;
using test::RssItem;
using test::TempDir;

// A moment of local time (no daylight-saving change near the dates used).
Clock::time_point LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&tm));
}

TEST(ScheduleIntervalTest, FrequencyIndexAndDebugSwitch) {
    struct Case {
        int index;
        const char* commandLine;
        long seconds;
    } cases[] = {
        {0, "", 900},        {1, "", 1800},          {2, "", 3600},        {3, "", 0},
        {-1, "", 0},         {0, "-debug", 60},      {2, "-debug", 60},    {9, "-debug", 60},
        {1, "-DEBUG", 1800}, {1, "-debug -s", 1800}, {1, " -debug", 1800}, {0, "-s", 900},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.index) + " '" + c.commandLine + "'");
        EXPECT_EQ(ScheduleInterval(c.index, c.commandLine), c.seconds);
    }
}

TEST(FormatTimeAmPmTest, TwelveHourClockWithLeadingZeros) {
    struct Case {
        int hour, minute, second;
        const char* text;
    } cases[] = {
        {0, 0, 0, "12:00:00 AM"},    {0, 30, 5, "12:30:05 AM"},   {9, 5, 0, "09:05:00 AM"},
        {11, 59, 59, "11:59:59 AM"}, {12, 0, 0, "12:00:00 PM"},   {13, 1, 2, "01:01:02 PM"},
        {21, 5, 0, "09:05:00 PM"},   {23, 59, 59, "11:59:59 PM"},
    };
    for (const auto& c : cases) {
        std::tm tm{};
        tm.tm_hour = c.hour;
        tm.tm_min = c.minute;
        tm.tm_sec = c.second;
        EXPECT_EQ(FormatTimeAmPm(tm), c.text);
    }
    EXPECT_EQ(IdleAfterScheduleText(LocalTime(2026, 12, 5, 21, 5, 0) + 999ms),
              "Status: Idle (Last Check: 09:05:00 PM)");
}

// What the main window would show: panel 3 and the timer's state.
class RecordingView : public SchedulerView {
public:
    void statusChanged(const std::string& text) override { statuses.push_back(text); }
    void timerChanged(int intervalMs, bool enabled) override {
        timers.push_back(std::to_string(intervalMs) + (enabled ? " on" : " off"));
    }
    std::vector<std::string> statuses;
    std::vector<std::string> timers;
};

class EnabledRecorder : public TreeObserver {
public:
    void enabledChanged(bool enabled) override { changes.push_back(enabled); }
    std::vector<bool> changes;
};

using test::EventSeam;

class SchedulerTest : public ::testing::Test {
protected:
    explicit SchedulerTest(std::string commandLine = "")
        : clock_(LocalTime(2026, 12, 5, 10, 0, 0)),
          context_(AppOptions{dir_.path(), dir_.file("data"), std::move(commandLine), "vellorin"},
                   seam_, clock_),
          scheduler_(context_.scheduler) {
        test::PrepareLocalHttp();
        context_.subscriptions.EnsureDataFolder();
        context_.online.setOverride(true);
        context_.check.transferOptions.totalTimeout = 2s;
        scheduler_.setView(&view_);
        tree_.addObserver(&enabled_);
    }
    ~SchedulerTest() override { tree_.removeObserver(&enabled_); }

    // One source whose feed has one message.
    void subscribeOne() {
        server_.serve("/feed", RssDocument(RssItem("a1", "A", "Mon, 05 Dec 2026 08:00:00 GMT")));
        ASSERT_TRUE(context_.subscriptions.AddSource("Alpha", server_.url("/feed")));
        context_.subscriptions.LoadSubscriptions(tree_);
    }
    void at(int hour, int minute, int second, std::chrono::milliseconds extra = 0ms) {
        clock_.set(LocalTime(2026, 12, 5, hour, minute, second) + extra);
    }

    TempDir dir_;
    EventSeam seam_;
    ManualClock clock_;
    AppContext context_;
    Scheduler& scheduler_;
    RecordingView view_;
    EnabledRecorder enabled_;
    TreeControl tree_{"tvMessages"};
    FeedServer server_;
};

TEST_F(SchedulerTest, StartsIdleWithTheFirstTickTwentySecondsAway) {
    EXPECT_EQ(scheduler_.statusText(), "Status: Idle");
    EXPECT_EQ(scheduler_.timerInterval(), 20000);
    EXPECT_TRUE(scheduler_.timerEnabled());
    EXPECT_FALSE(scheduler_.LastCheck.has_value());
    EXPECT_TRUE(scheduler_.IsScheduleDue());
}

TEST_F(SchedulerTest, DueOnlyWhenMoreWholeSecondsThanTheIntervalHavePassed) {
    struct Case {
        int freq;
        Clock::time_point last;
        Clock::time_point now;
        bool due;
    } cases[] = {
        {0, LocalTime(2026, 12, 5, 10, 0, 0), LocalTime(2026, 12, 5, 10, 15, 0), false},
        {0, LocalTime(2026, 12, 5, 10, 0, 0), LocalTime(2026, 12, 5, 10, 15, 0) + 999ms, false},
        {0, LocalTime(2026, 12, 5, 10, 0, 0), LocalTime(2026, 12, 5, 10, 15, 1), true},
        // Readings are cut to the second: 10:00:00.9 to 10:15:01.0 counts as 901 seconds.
        {0, LocalTime(2026, 12, 5, 10, 0, 0) + 900ms, LocalTime(2026, 12, 5, 10, 15, 1), true},
        {0, LocalTime(2026, 12, 5, 23, 50, 0), LocalTime(2026, 12, 6, 0, 5, 0), false},
        {0, LocalTime(2026, 12, 5, 23, 50, 0), LocalTime(2026, 12, 6, 0, 5, 1), true},
        {1, LocalTime(2026, 12, 5, 10, 0, 0), LocalTime(2026, 12, 5, 10, 30, 0), false},
        {1, LocalTime(2026, 12, 5, 10, 0, 0), LocalTime(2026, 12, 5, 10, 30, 1), true},
        {2, LocalTime(2026, 12, 5, 10, 0, 0), LocalTime(2026, 12, 5, 11, 0, 0), false},
        {2, LocalTime(2026, 12, 5, 10, 0, 0), LocalTime(2026, 12, 5, 11, 0, 1), true},
        // An index without an interval: due one second later.
        {5, LocalTime(2026, 12, 5, 10, 0, 0), LocalTime(2026, 12, 5, 10, 0, 0) + 999ms, false},
        {5, LocalTime(2026, 12, 5, 10, 0, 0), LocalTime(2026, 12, 5, 10, 0, 1), true},
    };
    for (const auto& c : cases) {
        context_.settings.freq = static_cast<std::int16_t>(c.freq);
        scheduler_.LastCheck = c.last;
        clock_.set(c.now);
        EXPECT_EQ(scheduler_.IsScheduleDue(), c.due)
            << "freq " << c.freq << ", "
            << std::chrono::duration_cast<std::chrono::milliseconds>(c.now - c.last).count()
            << " ms";
    }
}

TEST_F(SchedulerTest, AutomaticRunWithoutSourcesStillRecordsItsTime) {
    scheduler_.tmrSchedule_Timer(tree_);
    EXPECT_EQ(scheduler_.LastCheck, clock_.now());
    EXPECT_EQ(view_.statuses, (std::vector<std::string>{"Status: Executing Schedule ...",
                                                        "Status: Idle (Last Check: 10:00:00 AM)"}));
    EXPECT_EQ(view_.timers, (std::vector<std::string>{"20000 off", "2000 on"}));
    EXPECT_EQ(enabled_.changes, (std::vector<bool>{false, true}));
    EXPECT_FALSE(context_.check.InteractiveCheck);
}

TEST_F(SchedulerTest, TicksRunTheScheduleWhenDueAndOnlyThen) {
    subscribeOne();
    scheduler_.tmrSchedule_Timer(tree_);
    EXPECT_EQ(server_.hits("/feed"), 1);
    EXPECT_EQ(scheduler_.timerInterval(), 2000);
    view_ = RecordingView{};

    for (std::chrono::seconds t : {2s, std::chrono::seconds(10min), std::chrono::seconds(15min)}) {
        clock_.set(LocalTime(2026, 12, 5, 10, 0, 0) + t);
        scheduler_.tmrSchedule_Timer(tree_);
    }
    EXPECT_EQ(server_.hits("/feed"), 1);
    EXPECT_TRUE(view_.statuses.empty());
    EXPECT_EQ(view_.timers.back(), "2000 on");

    at(10, 15, 1);
    server_.serve("/feed", "<html>gone</html>", "text/html", 404);
    scheduler_.tmrSchedule_Timer(tree_);
    EXPECT_EQ(server_.hits("/feed"), 2);
    EXPECT_EQ(scheduler_.statusText(), "Status: Idle (Last Check: 10:15:01 AM)");
    // A scheduled run shows no box even when its feed is gone.
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(SchedulerTest, FrequencyIsReadAtEveryTick) {
    scheduler_.tmrSchedule_Timer(tree_);
    at(10, 20, 0);
    context_.settings.freq = 1;
    scheduler_.tmrSchedule_Timer(tree_);
    EXPECT_EQ(scheduler_.LastCheck, LocalTime(2026, 12, 5, 10, 0, 0));
    context_.settings.freq = 0;
    scheduler_.tmrSchedule_Timer(tree_);
    EXPECT_EQ(scheduler_.LastCheck, LocalTime(2026, 12, 5, 10, 20, 0));
}

TEST_F(SchedulerTest, OfflineTicksDoNothingButComeAgain) {
    subscribeOne();
    context_.online.setOverride(false);
    scheduler_.tmrSchedule_Timer(tree_);
    EXPECT_EQ(view_.timers, (std::vector<std::string>{"20000 off", "20000 on"}));
    EXPECT_TRUE(view_.statuses.empty());
    EXPECT_FALSE(scheduler_.LastCheck.has_value());
    EXPECT_TRUE(seam_.boxes.empty());
    EXPECT_EQ(server_.hits("/feed"), 0);
    EXPECT_TRUE(enabled_.changes.empty());
}

TEST_F(SchedulerTest, ManualRunsNeitherDelayNorAdvanceTheSchedule) {
    subscribeOne();
    scheduler_.tmrSchedule_Timer(tree_);
    at(10, 10, 0);
    scheduler_.mnuMsgSourceCheckAll_Click(tree_);
    // LoadInbox puts the source's node back unselected: select it for each command.
    ASSERT_TRUE(tree_.setSelectedNode(tree_.topLevelNode(0)));
    scheduler_.mnuMsgSourceCheckCurrent_Click(tree_);
    ASSERT_TRUE(tree_.setSelectedNode(tree_.topLevelNode(0)));
    scheduler_.CheckSelectedSource(tree_);
    EXPECT_EQ(server_.hits("/feed"), 4);
    EXPECT_EQ(scheduler_.LastCheck, LocalTime(2026, 12, 5, 10, 0, 0));
    at(10, 15, 0);
    EXPECT_FALSE(scheduler_.IsScheduleDue());
    at(10, 15, 1);
    EXPECT_TRUE(scheduler_.IsScheduleDue());
    EXPECT_TRUE(context_.check.InteractiveCheck);
}

TEST_F(SchedulerTest, CheckCurrentShowsItsStatusAndIsRefusedWhileBusy) {
    subscribeOne();
    ASSERT_TRUE(tree_.setSelectedNode(tree_.topLevelNode(0)));
    scheduler_.mnuMsgSourceCheckCurrent_Click(tree_);
    EXPECT_EQ(view_.statuses,
              (std::vector<std::string>{"Status: Checking Messages", "Status: Idle"}));
    EXPECT_EQ(enabled_.changes, (std::vector<bool>{false, true}));
    EXPECT_EQ(server_.hits("/feed"), 1);

    view_ = RecordingView{};
    ASSERT_TRUE(tree_.setSelectedNode(tree_.topLevelNode(0)));
    context_.check.SetBusy(true);
    scheduler_.mnuMsgSourceCheckCurrent_Click(tree_);
    context_.check.SetBusy(false);
    EXPECT_TRUE(view_.statuses.empty());
    EXPECT_EQ(server_.hits("/feed"), 1);

    // The double-click has neither the busy test nor the status texts.
    scheduler_.CheckSelectedSource(tree_);
    EXPECT_TRUE(view_.statuses.empty());
    EXPECT_EQ(server_.hits("/feed"), 2);
}

TEST_F(SchedulerTest, CommandsDoNothingWithoutSources) {
    context_.online.setOverride(false);
    scheduler_.mnuMsgSourceCheckAll_Click(tree_);
    scheduler_.mnuMsgSourceCheckCurrent_Click(tree_);
    EXPECT_TRUE(seam_.boxes.empty());
    EXPECT_TRUE(view_.statuses.empty());
    EXPECT_TRUE(enabled_.changes.empty());
}

TEST_F(SchedulerTest, OfflineManualRunSaysSoAndEnablesTheTreeAgain) {
    subscribeOne();
    context_.online.setOverride(false);
    ASSERT_TRUE(tree_.setSelectedNode(tree_.topLevelNode(0)));
    scheduler_.mnuMsgSourceCheckCurrent_Click(tree_);
    ASSERT_EQ(seam_.boxes.size(), 1u);
    EXPECT_EQ(seam_.boxes[0].caption, WorkingOfflineMessage().caption);
    EXPECT_EQ(scheduler_.statusText(), "Status: Idle");
    EXPECT_TRUE(tree_.enabled());
}

TEST_F(SchedulerTest, TickDuringAManualRunWaitsForALaterTick) {
    subscribeOne();
    seam_.onEvents = [&] { scheduler_.tmrSchedule_Timer(tree_); };
    scheduler_.mnuMsgSourceCheckAll_Click(tree_);
    EXPECT_FALSE(scheduler_.LastCheck.has_value());
    EXPECT_EQ(view_.timers, (std::vector<std::string>{"20000 off", "20000 on"}));
    EXPECT_EQ(server_.hits("/feed"), 1);
    EXPECT_EQ(enabled_.changes, (std::vector<bool>{false, true}));

    scheduler_.tmrSchedule_Timer(tree_);
    EXPECT_TRUE(scheduler_.LastCheck.has_value());
    EXPECT_EQ(server_.hits("/feed"), 2);
}

TEST_F(SchedulerTest, CheckCurrentDuringARunIsRefusedAndCheckAllJoinsIt) {
    subscribeOne();
    seam_.onEvents = [&] {
        scheduler_.mnuMsgSourceCheckCurrent_Click(tree_);
        scheduler_.mnuMsgSourceCheckAll_Click(tree_);
    };
    scheduler_.tmrSchedule_Timer(tree_);
    EXPECT_EQ(server_.hits("/feed"), 2);  // once queued by the tick, once joined
    EXPECT_EQ(view_.statuses, (std::vector<std::string>{"Status: Executing Schedule ...",
                                                        "Status: Idle (Last Check: 10:00:00 AM)"}));
    EXPECT_EQ(enabled_.changes, (std::vector<bool>{false, true}));
}

class DebugSchedulerTest : public SchedulerTest {
protected:
    DebugSchedulerTest() : SchedulerTest("-debug") {}
};

TEST_F(DebugSchedulerTest, RunsAboutAMinuteApartWhateverTheFrequency) {
    context_.settings.freq = 2;
    scheduler_.tmrSchedule_Timer(tree_);
    at(10, 1, 0);
    EXPECT_FALSE(scheduler_.IsScheduleDue());
    at(10, 1, 1);
    EXPECT_TRUE(scheduler_.IsScheduleDue());
}

}  // namespace
}  // namespace vellorin
