#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/application_build.h"
#include "support/run_process.h"
#include "support/temp_dir.h"

namespace vellorin {
namespace {

using test::BuiltProgram;
using test::ProcessResult;
using test::RunProcess;
using test::TempDir;

class VellorinctlTest : public ::testing::Test {
protected:
    ProcessResult ctl(std::vector<std::string> args) {
        std::vector<std::string> all{"--app-dir", app_.path(), "--data-dir", data_.file("data")};
        all.insert(all.end(), args.begin(), args.end());
        return RunProcess(BuiltProgram("vellorinctl"), all,
                          {{"XDG_CONFIG_HOME", config_.path()}, {"XDG_DATA_HOME", data_.path()}});
    }
    std::string settingsFile() const { return app_.file("settings.cfg"); }

    TempDir app_, data_, config_;
};

TEST_F(VellorinctlTest, VersionAndHelp) {
    ProcessResult v = RunProcess(BuiltProgram("vellorinctl"), {"--version"});
    EXPECT_EQ(v.exitCode, 0);
    EXPECT_EQ(v.out, ApplicationBuild(true, true) + "\n");
    ProcessResult h = RunProcess(BuiltProgram("vellorinctl"), {"--help"});
    EXPECT_EQ(h.exitCode, 0);
    EXPECT_NE(h.out.find("settings"), std::string::npos);
    EXPECT_NE(h.out.find("--data-dir"), std::string::npos);
}

TEST_F(VellorinctlTest, UsageErrorsExitTwoWithOneLineHint) {
    struct Case {
        std::vector<std::string> args;
    } cases[] = {
        {{"frobnicate"}},
        {{"--bogus", "settings"}},
        {{}},
        {{"settings", "colour=1"}},
        {{"settings", "freq=3"}},
        {{"settings", "ff=2"}},
        {{"settings", "freq"}},
        {{"settings", "freq=1", "winstartup=x"}},
    };
    for (const auto& c : cases) {
        std::string joined;
        for (const auto& a : c.args)
            joined += a + " ";
        SCOPED_TRACE(joined);
        ProcessResult r = ctl(c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_NE(r.err.find("--help"), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_FALSE(std::filesystem::exists(settingsFile()));
    }
    // --app-dir without its folder.
    ProcessResult r = RunProcess(BuiltProgram("vellorinctl"), {"settings", "--app-dir"});
    EXPECT_EQ(r.exitCode, 2);
}

TEST_F(VellorinctlTest, SettingsPrintsDefaultsWithoutCreatingTheFile) {
    ProcessResult r = ctl({"settings"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "schedule=1\nfreq=0\nwinstartup=1\nff=0\nie=0\n");
    EXPECT_FALSE(std::filesystem::exists(settingsFile()));
}

TEST_F(VellorinctlTest, SettingsSaveLikeTheDialogs) {
    ProcessResult r = ctl({"settings", "freq=1", "winstartup=1"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "Done!: Settings are successfully saved!\n");
    EXPECT_TRUE(std::filesystem::exists(config_.file("autostart/VellorinPlugIn.desktop")));

    r = ctl({"settings", "ff=1"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");  // the plug-in save shows nothing
    EXPECT_EQ(TempDir::read(settingsFile()),
              "[app]\r\nschedule=1\r\nfreq=1\r\nwinstartup=1\r\n[plugin]\r\nff=1\r\nie=0\r\n");

    r = ctl({"settings"});
    EXPECT_EQ(r.out, "schedule=1\nfreq=1\nwinstartup=1\nff=1\nie=0\n");

    r = ctl({"settings", "winstartup=0"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(std::filesystem::exists(config_.file("autostart/VellorinPlugIn.desktop")));
}

}  // namespace
}  // namespace vellorin
