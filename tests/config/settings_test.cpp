#include "config/settings.h"
#include "config/startup_option.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "base/app_context.h"
#include "support/recording_hooks.h"
#include "support/recording_seam.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace vellorin {
namespace {

using test::TempDir;

class SettingsTest : public ::testing::Test {
protected:
    SettingsTest()
        : context_(
              AppOptions{.appFolder = app_.path(), .dataFolderOverride = "", .commandLine = ""},
              seam_, clock_) {
        context_.setHooks(&hooks_);
    }
    std::string settingsFile() const { return app_.file("settings.cfg"); }
    std::string autostartFile() const { return config_.file("autostart/VellorinPlugIn.desktop"); }
    std::string storedExec() const {
        const std::string text = TempDir::read(autostartFile());
        const size_t at = text.find("\nExec=") + 6;
        return text.substr(at, text.find('\n', at) - at);
    }
    void setOption(const std::string& folder, bool on) {
        SetStartupOption(seam_, "VellorinPlugIn", "vellorin", folder, "-s", on);
    }

    TempDir app_, config_;
    test::ScopedEnv xdg_{"XDG_CONFIG_HOME", config_.path()};
    test::RecordingSeam seam_;
    ManualClock clock_;
    test::RecordingHooks hooks_;
    AppContext context_;
};

TEST_F(SettingsTest, MissingBlankAndDamagedValuesGiveTheDefaults) {
    const struct {
        const char* stored;  // value of freq, winstartup, webengine, ff alike; nullptr: no file
        int freq, winstartup, ff;  // webengine reads like ff
    } cases[] = {
        {nullptr, 0, 1, 0}, {"2", 2, 2, 2},    {"   ", 0, 1, 0},           {" 1 ", 1, 1, 1},
        {"40000", 0, 1, 0}, {"-1", 0, -1, -1}, {"32767", 0, 32767, 32767}, {"3", 0, 3, 3},
    };
    mSettings& s = context_.settings;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "no file");
        if (c.stored) {
            const std::string v = c.stored;
            app_.write("settings.cfg", "[app]\r\nschedule=0\r\nfreq=" + v + "\r\nwinstartup=" + v +
                                           "\r\nwebengine=" + v + "\r\n[plugin]\r\nff=" + v +
                                           "\r\n");
        }
        s.LoadAppSettings(false);
        s.LoadPlugInSettings(false);
        EXPECT_EQ((std::vector<int>{s.schedule, s.freq, s.winstartup, s.ff, s.webengine, s.ie}),
                  (std::vector<int>{1, c.freq, c.winstartup, c.ff, c.ff, 0}));
        EXPECT_FALSE(!c.stored && (std::filesystem::exists(settingsFile()) ||
                                   std::filesystem::exists(autostartFile())));
    }
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(SettingsTest, SavesInTheExampleLayoutAndRegistersStartup) {
    mSettings& s = context_.settings;
    s.schedule = s.freq = s.winstartup = 1;
    s.SaveAppSettings();
    s.ff = 1, s.ie = 0;
    s.SavePlugInSettings();
    EXPECT_EQ(TempDir::read(settingsFile()),
              "[app]\r\nschedule=1\r\nfreq=1\r\nwinstartup=1\r\nwebengine=0\r\n[plugin]\r\nff="
              "1\r\nie=0\r\n");
    EXPECT_EQ(seam_.captions(), std::vector<std::string>{"Done!"});
    EXPECT_EQ(hooks_.scheduleEnabled, 1);
    EXPECT_EQ(hooks_.registrations, std::vector<std::string>{"1101"});
    // The entry names the client beside the running program, not one in the application folder.
    const std::string installed = std::filesystem::canonical(VELLORIN_BIN_DIR).string();
    EXPECT_EQ(storedExec(), "\"" + installed + "/vellorin\" -s");
    struct stat st {};
    ASSERT_EQ(::stat(config_.file("autostart").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);  // a folder of the user's alone

    const std::string other = config_.write("autostart/other.desktop", "[Desktop Entry]\n");
    s.winstartup = 0;
    s.SaveAppSettings();
    EXPECT_FALSE(std::filesystem::exists(autostartFile()));
    EXPECT_TRUE(std::filesystem::exists(other));
}

TEST_F(SettingsTest, StartupOptionQuotesThePathAndKeepsToItsFolder) {
    for (const std::string name : {"", ".", "..", "../escape", "sub/entry"})
        SetStartupOption(seam_, name, "vellorin", "/opt/v", "-s", true);
    EXPECT_FALSE(std::filesystem::exists(config_.file("escape.desktop")));
    EXPECT_FALSE(std::filesystem::exists(config_.file("autostart")));
    EXPECT_TRUE(seam_.boxes.empty());
    const std::pair<std::string, std::string> cases[] = {
        {"/home/a b/My Apps", R"("/home/a b/My Apps/vellorin" -s)"},
        {"/t/q\"$`\\50% %u", R"("/t/q\\"\\$\\`\\\\50%% %%u/vellorin" -s)"},
        {"/t/tab\there\r\n", R"("/t/tab\there\r\n/vellorin" -s)"}};
    for (const auto& [folder, stored] : cases) {
        setOption(folder, true);
        EXPECT_EQ(storedExec(), stored) << folder;
    }
}

}  // namespace
}  // namespace vellorin
