#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/application_build.h"
#include "app/command_line.h"
#include "app/instance_guard.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace vellorin {
namespace {

TEST(ApplicationBuildTest, FormatsMinorAndRevision) {
    struct Case {
        BuildVersion version;
        bool includeRevision, buildWord;
        const char* expected;
    } cases[] = {
        {{1, 5, 7}, true, true, "1.05; build: 007"},
        {{1, 5, 7}, true, false, "1.05.007"},
        {{1, 5, 7}, false, true, "1.05"},
        {{2, 10, 1234}, true, false, "2.10.1234"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ApplicationBuild(c.includeRevision, c.buildWord, c.version), c.expected);
}

TEST(CommandLineTest, SwitchesMatchTheWholeTextExactly) {
    struct Case {
        std::vector<const char*> argv;
        bool silent, debugSchedule, debugInbox;
    } cases[] = {
        {{"vellorin"}, false, false, false},
        {{"vellorin", "-s"}, true, false, false},
        {{"vellorin", "-S"}, false, false, false},
        {{"vellorin", "-s", "-debug"}, false, false, false},
        {{"vellorin", "-s "}, false, false, false},
        {{"vellorin", "-debug"}, false, true, true},
        {{"vellorin", "-DEBUG"}, false, false, true},
    };
    for (const auto& c : cases) {
        std::string line = JoinCommandLine(static_cast<int>(c.argv.size()), c.argv.data());
        SCOPED_TRACE(line);
        EXPECT_EQ(IsSilentStart(line), c.silent);
        EXPECT_EQ(IsDebugSchedule(line), c.debugSchedule);
        EXPECT_EQ(IsDebugInbox(line), c.debugInbox);
    }
}

// Whether a separate process would get the guard now.
bool OtherProcessGetsGuard(const std::string& name) {
    pid_t pid = ::fork();
    if (pid == 0) {
        InstanceGuard guard;
        ::_exit(guard.IsFirstInstance(name) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(InstanceGuardTest, SecondHolderIsRefusedUntilTheFirstGoes) {
    test::TempDir runtime;
    test::ScopedEnv env("XDG_RUNTIME_DIR", runtime.path());
    EXPECT_EQ(InstanceGuard::LockPath("GUARD"), runtime.path() + "/GUARD.lock");
    {
        InstanceGuard first;
        ASSERT_TRUE(first.IsFirstInstance("GUARD"));
        EXPECT_FALSE(OtherProcessGetsGuard("GUARD"));
        EXPECT_TRUE(OtherProcessGetsGuard("OTHERGUARD"));
    }
    EXPECT_TRUE(OtherProcessGetsGuard("GUARD"));
}

TEST(PreviousInstanceTextTest, KeepsItsBlanksAndQuotes) {
    std::string text = PreviousInstanceText();
    EXPECT_EQ(text.rfind("Previous instance of application is still running. Only one Instance "
                         "can be executed at a time. \r\n\r\nIf you don't see",
                         0),
              0u);
    EXPECT_NE(text.find("\"End Process\" application from list of \"Processes\". "),
              std::string::npos);
    EXPECT_EQ(text.back(), ' ');
}

}  // namespace
}  // namespace vellorin
