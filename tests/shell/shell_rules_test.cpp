#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <optional>
#include <string>
#include <vector>

#include "base/application_build.h"
#include "base/command_line.h"
#include "shell/busy_placement.h"
#include "shell/instance_guard.h"
#include "shell/online_override.h"
#include "shell/platform_choice.h"
#include "shell/termination_signals.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace vellorin {
namespace {

TEST(BusyWindowPlacementTest, CentresOverTheMainWindowShiftedClearOfTheTreeAndStaysOnScreen) {
    const ScreenRect work{0, 30, 1280, 770};
    const struct {
        ScreenRect mainWindow;
        int optionsWidth;
        ScreenRect workArea, expected;
    } cases[] = {
        {{100, 100, 800, 600}, 240, work, {470, 300, 300, 200}},   // (800-300)/2 + 240/2
        {{}, 240, work, {610, 315, 300, 200}},                     // hidden: the work area
        {{900, 100, 600, 400}, 400, work, {980, 200, 300, 200}},   // stops at the right edge
        {{-900, -500, 800, 600}, 0, work, {0, 30, 300, 200}},      // pulled back inside
        {{100, 100, 800, 600}, -240, work, {350, 300, 300, 200}},  // no shift left
        {{}, 0, {10, 20, 200, 100}, {10, 20, 300, 200}},           // larger than the work area
        {{0, 0, 400, 400}, 100, {}, {200, 150, 100, 100}}};
    for (const auto& c : cases) {
        const int w = c.expected.width, h = c.expected.height;
        EXPECT_EQ(BusyWindowPlacement(c.mainWindow, c.optionsWidth, w, h, c.workArea), c.expected)
            << c.expected.x;
    }
}

TEST(PlatformChoiceTest,
     AWaylandSessionRunsOnXWaylandUnlessTheUserChoseAndOnlyOneOrZeroOverridesOnline) {
    const struct {
        const char *platform, *session, *waylandDisplay, *chosen;
    } cases[] = {{nullptr, "wayland", "wayland-0", "xcb;wayland"},
                 {"", "Wayland", nullptr, "xcb;wayland"},
                 {nullptr, nullptr, "wayland-0", "xcb;wayland"},
                 {"offscreen", "wayland", "wayland-0", ""},
                 {nullptr, "tty", "", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.platform ? c.platform : "-") + (c.session ? c.session : "-"));
        EXPECT_EQ(ChosenQtPlatform(c.platform, c.session, c.waylandDisplay), c.chosen);
    }
    for (const char* platform : {"wayland", "wayland-egl", "xcb", "offscreen"})
        EXPECT_EQ(PlatformPlacesWindows(platform), platform[0] != 'w') << platform;
    EXPECT_EQ(OnlineOverrideFromEnvironment("1"), true);
    EXPECT_EQ(OnlineOverrideFromEnvironment("0"), false);
    for (const char* value : {static_cast<const char*>(nullptr), "", "10", "yes"})
        EXPECT_EQ(OnlineOverrideFromEnvironment(value), std::nullopt) << (value ? value : "-");
}

TEST(StartUpTest, BuildTextAndSwitchesThatMatchTheWholeTextExactly) {
    EXPECT_EQ(ApplicationBuild(true, true, {1, 5, 7}), "1.05; build: 007");
    EXPECT_EQ(ApplicationBuild(true, false, {2, 10, 1234}), "2.10.1234");
    const struct {
        std::vector<const char*> argv;
        bool silent, debugSchedule, debugInbox;
    } cases[] = {{{"vellorin", "-s"}, true, false, false},
                 {{"vellorin", "-s", "-debug"}, false, false, false},
                 {{"vellorin", "-debug"}, false, true, true},
                 {{"vellorin", "-DEBUG"}, false, false, true}};
    for (const auto& c : cases) {
        const std::string line = JoinCommandLine(static_cast<int>(c.argv.size()), c.argv.data());
        SCOPED_TRACE(line);
        EXPECT_EQ(IsSilentStart(line), c.silent);
        EXPECT_EQ(IsDebugSchedule(line), c.debugSchedule);
        EXPECT_EQ(IsDebugInbox(line), c.debugInbox);
    }
}

bool OtherProcessGetsGuard(const std::string& name) {
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(InstanceGuard().IsFirstInstance(name) ? 0 : 1);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(InstanceGuardTest, SecondHolderIsRefusedUntilTheFirstGoes) {
    test::TempDir runtime;
    test::ScopedEnv env("XDG_RUNTIME_DIR", runtime.path());
    {
        InstanceGuard first;
        ASSERT_TRUE(first.IsFirstInstance("GUARD"));
        EXPECT_FALSE(OtherProcessGetsGuard("GUARD"));
        EXPECT_TRUE(OtherProcessGetsGuard("OTHERGUARD"));
    }
    EXPECT_TRUE(OtherProcessGetsGuard("GUARD"));
}

void (*CurrentHandler(int signal))(int) {
    struct sigaction now = {};
    ::sigaction(signal, nullptr, &now);
    return now.sa_handler;
}

TEST(TerminationSignalsTest, EachSignalArrivesOnThePipeAndTheOldHandlersComeBack) {
    const auto before = CurrentHandler(SIGHUP);
    {
        TerminationSignals signals;
        ASSERT_TRUE(signals.Install());
        EXPECT_FALSE(TerminationSignals().Install());
        for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
            ASSERT_EQ(std::raise(signal), 0);
            EXPECT_EQ(signals.Take(), signal);
            EXPECT_EQ(signals.Take(), 0);
        }
    }
    EXPECT_EQ(CurrentHandler(SIGHUP), before);
    EXPECT_TRUE(TerminationSignals().Install());
}

}  // namespace
}  // namespace vellorin
