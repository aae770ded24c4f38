#include <gtest/gtest.h>

#include <filesystem>

#include "base/application_build.h"
#include "cli/ctl_fixture.h"

namespace vellorin {
namespace {

namespace fs = std::filesystem;
using test::ProcessResult;

class VellorinctlTest : public test::CtlTest {
protected:
    std::string settingsFile() const { return app_.file("settings.cfg"); }
    std::string autostartEntry() const { return config_.file("autostart/VellorinPlugIn.desktop"); }
};

TEST_F(VellorinctlTest, VersionHelpAndUsageErrorsWithAOneLineHint) {
    const std::string program = test::BuiltProgram("vellorinctl");
    ProcessResult r = test::RunProcess(program, {"--version"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, ApplicationBuild(true, true) + "\n");
    r = test::RunProcess(program, {"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("--data-dir"), std::string::npos);

    const std::vector<std::vector<std::string>> cases = {
        {"frobnicate"},           {"--bogus", "settings"}, {},
        {"settings", "colour=1"}, {"settings", "freq"},    {"settings", "freq=1", "winstartup=x"}};
    for (const auto& args : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        r = ctl(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_NE(r.err.find("--help"), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    EXPECT_FALSE(fs::exists(settingsFile()));
    EXPECT_EQ(test::RunProcess(program, {"settings", "--app-dir"}).exitCode, 2);
}

TEST_F(VellorinctlTest, SettingsPrintAndSaveLikeTheDialogs) {
    ProcessResult r = ctl({"settings"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "schedule=1\nfreq=0\nwinstartup=1\nwebengine=0\nff=0\nie=0\n");
    EXPECT_FALSE(fs::exists(settingsFile()));  // the defaults are not written

    r = ctl({"settings", "freq=1", "winstartup=1"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // The entry starts the desktop client installed beside vellorinctl, not one in --app-dir.
    const std::string installed =
        fs::canonical(test::BuiltProgram("vellorinctl")).parent_path().string();
    EXPECT_NE(
        test::TempDir::read(autostartEntry()).find("\nExec=\"" + installed + "/vellorin\" -s\n"),
        std::string::npos)
        << test::TempDir::read(autostartEntry());

    r = ctl({"settings", "ff=1"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ctl({"settings", "webengine=1"}).exitCode, 0);
    EXPECT_EQ(ctl({"settings"}).out, "schedule=1\nfreq=1\nwinstartup=1\nwebengine=1\nff=1\nie=0\n");
    EXPECT_EQ(ctl({"settings", "webengine=2"}).exitCode, 2);
}

}  // namespace
}  // namespace vellorin
