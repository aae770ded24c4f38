#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

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

    const std::vector<std::vector<std::string>> cases = {{"frobnicate"},
                                                         {"--bogus", "settings"},
                                                         {},
                                                         {"settings", "colour=1"},
                                                         {"settings", "freq=3"},
                                                         {"settings", "ff=2"},
                                                         {"settings", "freq"},
                                                         {"settings", "freq=1", "winstartup=x"}};
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

// The manual page is written by hand: every option and command that --help lists must stand in
// it too, each command with the arguments --help gives it.
TEST_F(VellorinctlTest, TheManualPageDescribesWhatHelpLists) {
    const std::string help = test::RunProcess(test::BuiltProgram("vellorinctl"), {"--help"}).out;
    const std::string manual =
        test::TempDir::read(std::string(VELLORIN_SOURCE_DIR) + "/doc/vellorinctl.1.scd");
    ASSERT_FALSE(manual.empty());
    std::size_t commands = 0;
    std::istringstream lines(help);
    bool inCommands = false;
    for (std::string line; std::getline(lines, line);) {
        if (line == "Commands:") {
            inCommands = true;
        } else if (line.rfind("  -", 0) == 0) {
            // A man source marks names bold: *--data-dir*.
            const std::string option = line.substr(2, line.find(' ', 2) - 2);
            EXPECT_NE(manual.find("*" + option + "*"), std::string::npos) << option;
        } else if (inCommands && line.rfind("  ", 0) == 0 && line[2] != ' ') {
            // "  name SYNOPSIS   summary": the synopsis ends at the first run of two blanks.
            std::istringstream words(line.substr(2, line.find("  ", 2) - 2));
            std::string name;
            words >> name;
            ++commands;
            const std::size_t at = manual.find("\n*" + name + "*");
            ASSERT_NE(at, std::string::npos) << name;
            const std::string entry = manual.substr(at + 1, manual.find('\n', at + 1) - at - 1);
            // Each argument in capitals stands underlined in the entry's line: _LINK_.
            for (std::string word; words >> word;) {
                std::string argument;
                for (char c : word) {
                    if (std::isupper(static_cast<unsigned char>(c)) || c == '_' || c == '=')
                        argument += c;
                    else if (!argument.empty())
                        break;
                }
                if (argument.size() > 1) {
                    EXPECT_NE(entry.find("_" + argument), std::string::npos) << entry;
                }
            }
        }
    }
    EXPECT_EQ(commands, 12u);
}

TEST_F(VellorinctlTest, SettingsPrintAndSaveLikeTheDialogs) {
    ProcessResult r = ctl({"settings"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "schedule=1\nfreq=0\nwinstartup=1\nwebengine=0\nff=0\nie=0\n");
    EXPECT_FALSE(fs::exists(settingsFile()));  // the defaults are not written

    r = ctl({"settings", "freq=1", "winstartup=1"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "Done!: Settings are successfully saved!\n");
    // The entry starts the desktop client installed beside vellorinctl, not one in --app-dir.
    const std::string installed =
        fs::canonical(test::BuiltProgram("vellorinctl")).parent_path().string();
    ASSERT_TRUE(fs::exists(autostartEntry()));
    EXPECT_NE(
        test::TempDir::read(autostartEntry()).find("\nExec=\"" + installed + "/vellorin\" -s\n"),
        std::string::npos)
        << test::TempDir::read(autostartEntry());

    r = ctl({"settings", "ff=1"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");  // the plug-in save shows nothing
    EXPECT_EQ(ctl({"settings", "webengine=1"}).exitCode, 0);
    EXPECT_EQ(test::TempDir::read(settingsFile()),
              "[app]\r\nschedule=1\r\nfreq=1\r\nwinstartup=1\r\nwebengine=1\r\n[plugin]\r\nff=1\r\n"
              "ie=0\r\n");
    EXPECT_EQ(ctl({"settings"}).out, "schedule=1\nfreq=1\nwinstartup=1\nwebengine=1\nff=1\nie=0\n");
    EXPECT_EQ(ctl({"settings", "webengine=2"}).exitCode, 2);

    EXPECT_EQ(ctl({"settings", "winstartup=0"}).exitCode, 0);
    EXPECT_FALSE(fs::exists(autostartEntry()));
}

}  // namespace
}  // namespace vellorin
