#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "base/application_build.h"
#include "base/command_line.h"
#include "shell/instance_guard.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace vellorin {
namespace {

TEST(ApplicationBuildTest, FormatsMinorAndRevision) {
    EXPECT_EQ(ApplicationBuild(true, true, {1, 5, 7}), "1.05; build: 007");
    EXPECT_EQ(ApplicationBuild(true, false, {2, 10, 1234}), "2.10.1234");
}

TEST(CommandLineTest, SwitchesMatchTheWholeTextExactly) {
    struct Case {
        std::vector<const char*> argv;
        bool silent, debugSchedule, debugInbox;
    } cases[] = {{{"vellorin"}, false, false, false},
                 {{"vellorin", "-s"}, true, false, false},

                 {{"vellorin", "-s", "-debug"}, false, false, false},
                 {{"vellorin", "-debug"}, false, true, true},
                 {{"vellorin", "-DEBUG"}, false, false, true}};
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
    {
        InstanceGuard first;
        ASSERT_TRUE(first.IsFirstInstance("GUARD"));
        EXPECT_FALSE(OtherProcessGetsGuard("GUARD"));
        EXPECT_TRUE(OtherProcessGetsGuard("OTHERGUARD"));
    }
    EXPECT_TRUE(OtherProcessGetsGuard("GUARD"));
}

}  // namespace
}  // namespace vellorin
