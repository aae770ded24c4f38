#include "app/scheduler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "app/app_context.h"
#include "inbox/check_feed_server.h"
#include "inbox/online_state.h"
#include "support/event_seam.h"
#include "support/temp_dir.h"
#include "view/tree_control.h"

namespace vellorin {
namespace {

using namespace std::chrono_literals;
using Strings = std::vector<std::string>;

// A moment of local time on 5 December 2026 (no daylight-saving change near it).
Clock::time_point LocalTime(int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = 2026 - 1900;
    tm.tm_mon = 11;
    tm.tm_mday = 5;
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
        {0, "", 900},   {1, "", 1800},          {2, "", 3600},        {3, "", 0},
        {-1, "", 0},    {2, "-debug", 60},      {9, "-debug", 60},    {1, "-DEBUG", 1800},
        {0, "-s", 900}, {1, "-debug -s", 1800}, {1, " -debug", 1800},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScheduleInterval(c.index, c.commandLine), c.seconds)
            << c.index << " '" << c.commandLine << "'";
}

TEST(FormatTimeAmPmTest, TwelveHourClockWithLeadingZerosAndNoMilliseconds) {
    const std::pair<Clock::time_point, const char*> cases[] = {
        {LocalTime(0, 30, 5), "12:30:05 AM"},   {LocalTime(9, 5, 0), "09:05:00 AM"},
        {LocalTime(11, 59, 59), "11:59:59 AM"}, {LocalTime(12, 0, 0), "12:00:00 PM"},
        {LocalTime(13, 1, 2), "01:01:02 PM"},   {LocalTime(23, 59, 59), "11:59:59 PM"},
    };
    for (const auto& [at, text] : cases)
        EXPECT_EQ(IdleAfterScheduleText(at + 999ms),
                  std::string("Status: Idle (Last Check: ") + text + ")");
}

// What the main window would show: panel 3, the timer's state and the tree's enabled flag.
class RecordingView : public SchedulerView, public TreeObserver {
public:
    void statusChanged(const std::string& text) override { statuses.push_back(text); }
    void timerChanged(int intervalMs, bool enabled) override {
        timers.push_back(std::to_string(intervalMs) + (enabled ? " on" : " off"));
    }
    void enabledChanged(bool enabled) override { treeEnabled.push_back(enabled); }
    Strings statuses, timers;
    std::vector<bool> treeEnabled;
};

// Starts at 10:00:00 with the machine online.
class SchedulerTest : public ::testing::Test {
protected:
    explicit SchedulerTest(std::string commandLine = "")
        : clock_(LocalTime(10, 0, 0)),
          context_(AppOptions{dir_.path(), dir_.file("data"), std::move(commandLine), "vellorin"},
                   seam_, clock_),
          scheduler_(context_.scheduler) {
        test::PrepareLocalHttp();
        context_.subscriptions.EnsureDataFolder();
        context_.online.setOverride(true);
        context_.check.transferOptions.totalTimeout = 2s;
        scheduler_.setView(&view_);
        tree_.addObserver(&view_);
    }
    ~SchedulerTest() override { tree_.removeObserver(&view_); }

    // One source whose feed has one message.
    void subscribeOne() {
        server_.serve("/feed",
                      test::RssDocument(test::RssItem("a1", "A", "Mon, 05 Dec 2026 08:00:00 GMT")));
        ASSERT_TRUE(context_.subscriptions.AddSource("Alpha", server_.url("/feed")));
        context_.subscriptions.LoadSubscriptions(tree_);
    }
    // LoadInbox puts the source's node back unselected: select it for each command.
    void selectSource() { ASSERT_TRUE(tree_.setSelectedNode(tree_.topLevelNode(0))); }
    void at(int hour, int minute, int second) { clock_.set(LocalTime(hour, minute, second)); }

    test::TempDir dir_;
    test::EventSeam seam_;
    ManualClock clock_;
    AppContext context_;
    Scheduler& scheduler_;
    RecordingView view_;
    TreeControl tree_{"tvMessages"};
    test::FeedServer server_;
};

TEST_F(SchedulerTest, DueOnlyWhenMoreWholeSecondsThanTheIntervalHavePassed) {
    // Runs from 23:50, so that every interval crosses midnight.
    const Clock::time_point base = LocalTime(23, 50, 0);
    struct Case {
        int freq, lastMs, nowMs;
        bool due;
    } cases[] = {
        {0, 0, 900'000, false},
        {0, 0, 900'999, false},
        {0, 0, 901'000, true},
        // Readings are cut to the second: 23:50:00.9 to 00:05:01.0 counts as 901 seconds.
        {0, 900, 901'000, true},
        {2, 0, 3'600'000, false},
        {2, 0, 3'601'000, true},
        // An index without an interval: due one second later.
        {5, 0, 999, false},
        {5, 0, 1'000, true},
    };
    for (const auto& c : cases) {
        context_.settings.freq = static_cast<std::int16_t>(c.freq);
        scheduler_.LastCheck = base + std::chrono::milliseconds(c.lastMs);
        clock_.set(base + std::chrono::milliseconds(c.nowMs));
        EXPECT_EQ(scheduler_.IsScheduleDue(), c.due)
            << c.freq << ": " << c.lastMs << " to " << c.nowMs << " ms";
    }
}

TEST_F(SchedulerTest, TicksRunTheScheduleWhenDueAndOnlyThen) {
    EXPECT_EQ(scheduler_.statusText(), "Status: Idle");
    EXPECT_EQ(scheduler_.timerInterval(), 20000);
    EXPECT_TRUE(scheduler_.timerEnabled());
    // The first tick runs even without sources, and records its time.
    scheduler_.tmrSchedule_Timer(tree_);
    EXPECT_EQ(scheduler_.LastCheck, clock_.now());
    EXPECT_EQ(view_.statuses, (Strings{"Status: Executing Schedule ...",
                                       "Status: Idle (Last Check: 10:00:00 AM)"}));
    EXPECT_EQ(view_.timers, (Strings{"20000 off", "2000 on"}));
    EXPECT_EQ(view_.treeEnabled, (std::vector<bool>{false, true}));
    EXPECT_FALSE(context_.check.InteractiveCheck);

    subscribeOne();
    for (auto [minute, second] : {std::pair{0, 2}, {10, 0}, {15, 0}}) {
        at(10, minute, second);
        scheduler_.tmrSchedule_Timer(tree_);
    }
    EXPECT_EQ(server_.hits("/feed"), 0);
    EXPECT_EQ(view_.statuses.size(), 2u);
    EXPECT_EQ(view_.timers.back(), "2000 on");

    at(10, 15, 1);
    server_.serve("/feed", "<html>gone</html>", "text/html", 404);
    scheduler_.tmrSchedule_Timer(tree_);
    EXPECT_EQ(server_.hits("/feed"), 1);
    EXPECT_EQ(scheduler_.statusText(), "Status: Idle (Last Check: 10:15:01 AM)");
    // A scheduled run shows no box even when its feed is gone.
    EXPECT_TRUE(seam_.boxes.empty());

    // The frequency is read at every tick.
    at(10, 40, 0);
    context_.settings.freq = 1;
    scheduler_.tmrSchedule_Timer(tree_);
    EXPECT_EQ(server_.hits("/feed"), 1);
    context_.settings.freq = 0;
    scheduler_.tmrSchedule_Timer(tree_);
    EXPECT_EQ(scheduler_.LastCheck, LocalTime(10, 40, 0));
}

TEST_F(SchedulerTest, ManualRunsNeitherDelayNorAdvanceTheSchedule) {
    subscribeOne();
    scheduler_.tmrSchedule_Timer(tree_);
    at(10, 10, 0);
    scheduler_.mnuMsgSourceCheckAll_Click(tree_);
    selectSource();
    scheduler_.mnuMsgSourceCheckCurrent_Click(tree_);
    selectSource();
    scheduler_.CheckSelectedSource(tree_);
    EXPECT_EQ(server_.hits("/feed"), 4);
    EXPECT_EQ(scheduler_.LastCheck, LocalTime(10, 0, 0));
    EXPECT_TRUE(context_.check.InteractiveCheck);
    at(10, 15, 0);
    EXPECT_FALSE(scheduler_.IsScheduleDue());
    at(10, 15, 1);
    EXPECT_TRUE(scheduler_.IsScheduleDue());
}

TEST_F(SchedulerTest, CheckCurrentShowsItsStatusAndIsRefusedWhileBusy) {
    subscribeOne();
    selectSource();
    scheduler_.mnuMsgSourceCheckCurrent_Click(tree_);
    EXPECT_EQ(view_.statuses, (Strings{"Status: Checking Messages", "Status: Idle"}));
    EXPECT_EQ(view_.treeEnabled, (std::vector<bool>{false, true}));
    EXPECT_EQ(server_.hits("/feed"), 1);

    view_.statuses.clear();
    selectSource();
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

TEST_F(SchedulerTest, OfflineTicksWaitSilentlyAndManualRunsSaySoWhenThereAreSources) {
    context_.online.setOverride(false);
    scheduler_.mnuMsgSourceCheckAll_Click(tree_);
    scheduler_.mnuMsgSourceCheckCurrent_Click(tree_);
    EXPECT_TRUE(seam_.boxes.empty());

    subscribeOne();
    scheduler_.tmrSchedule_Timer(tree_);
    EXPECT_EQ(view_.timers, (Strings{"20000 off", "20000 on"}));
    EXPECT_TRUE(view_.statuses.empty());
    EXPECT_TRUE(view_.treeEnabled.empty());
    EXPECT_FALSE(scheduler_.LastCheck.has_value());
    EXPECT_TRUE(seam_.boxes.empty());

    selectSource();
    scheduler_.mnuMsgSourceCheckCurrent_Click(tree_);
    EXPECT_EQ(seam_.captions(), Strings{WorkingOfflineMessage().caption});
    EXPECT_EQ(scheduler_.statusText(), "Status: Idle");
    EXPECT_TRUE(tree_.enabled());
    EXPECT_EQ(server_.hits("/feed"), 0);
}

TEST_F(SchedulerTest, TickDuringAManualRunWaitsForALaterTick) {
    subscribeOne();
    seam_.onEvents = [&] { scheduler_.tmrSchedule_Timer(tree_); };
    scheduler_.mnuMsgSourceCheckAll_Click(tree_);
    EXPECT_FALSE(scheduler_.LastCheck.has_value());
    EXPECT_EQ(view_.timers, (Strings{"20000 off", "20000 on"}));
    EXPECT_EQ(server_.hits("/feed"), 1);
    EXPECT_EQ(view_.treeEnabled, (std::vector<bool>{false, true}));

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
    EXPECT_EQ(view_.statuses, (Strings{"Status: Executing Schedule ...",
                                       "Status: Idle (Last Check: 10:00:00 AM)"}));
    EXPECT_EQ(view_.treeEnabled, (std::vector<bool>{false, true}));
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
