#include "config/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/app_context.h"
#include "support/recording_seam.h"
#include "support/temp_dir.h"

namespace vellorin {
namespace {

using test::RecordingSeam;
using test::TempDir;

// Records what the settings ask of the main window.
struct RecordingHooks : MainWindowHooks {
    void RegisterPlugIns(bool bRegister, bool bFirefox, bool bIExplore, bool bStartTimer) override {
        calls.push_back({bRegister, bFirefox, bIExplore, bStartTimer});
    }
    void EnableScheduleTimer() override { ++timerEnabled; }
    struct Call {
        bool reg, ff, ie, start;
    };
    std::vector<Call> calls;
    int timerEnabled = 0;
};

class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() : context_(Options(), seam_, clock_) { context_.setHooks(&hooks_); }
    void SetUp() override {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        if (old)
            savedConfig_ = old;
        hadConfig_ = old != nullptr;
        ::setenv("XDG_CONFIG_HOME", config_.path().c_str(), 1);
    }
    void TearDown() override {
        if (hadConfig_)
            ::setenv("XDG_CONFIG_HOME", savedConfig_.c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
    }
    AppOptions Options() {
        AppOptions o;
        o.appFolder = app_.path();
        o.executableName = "vellorin";
        return o;
    }
    std::string settingsFile() const { return app_.file("settings.cfg"); }
    std::string autostartFile() const { return config_.file("autostart/VellorinPlugIn.desktop"); }

    TempDir app_;
    TempDir config_;
    RecordingSeam seam_;
    ManualClock clock_;
    RecordingHooks hooks_;
    AppContext context_;
    bool hadConfig_ = false;
    std::string savedConfig_;
};

TEST_F(SettingsTest, DefaultsWithoutFileAndLoadingCreatesNothing) {
    mSettings& s = context_.settings;
    s.LoadAppSettings(false);
    s.LoadPlugInSettings(false);
    EXPECT_EQ(s.schedule, 1);
    EXPECT_EQ(s.freq, 0);
    EXPECT_EQ(s.winstartup, 1);
    EXPECT_EQ(s.ff, 0);
    EXPECT_EQ(s.ie, 0);
    EXPECT_FALSE(std::filesystem::exists(settingsFile()));
    EXPECT_FALSE(std::filesystem::exists(autostartFile()));
    ASSERT_EQ(hooks_.calls.size(), 1u);
    EXPECT_TRUE(hooks_.calls[0].reg);
    EXPECT_FALSE(hooks_.calls[0].ff || hooks_.calls[0].ie || hooks_.calls[0].start);
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(SettingsTest, StoredValuesBlankAndDamagedOnes) {
    struct Case {
        const char* stored;  // value of freq, winstartup and ff alike
        int freq, winstartup, ff;
    } cases[] = {
        {"2", 2, 2, 2},     {"   ", 0, 1, 0}, {"", 0, 1, 0},
        {" 1 ", 1, 1, 1},   {"abc", 0, 1, 0}, {"40000", 0, 1, 0},
        {"-1", -1, -1, -1}, {"1x", 0, 1, 0},  {"32767", 32767, 32767, 32767},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        std::string v = c.stored;
        app_.write("settings.cfg", "[app]\r\nschedule=0\r\nfreq=" + v + "\r\nwinstartup=" + v +
                                       "\r\n[plugin]\r\nff=" + v + "\r\n");
        context_.settings.LoadAppSettings(false);
        context_.settings.LoadPlugInSettings(false);
        EXPECT_EQ(context_.settings.schedule, 1);
        EXPECT_EQ(context_.settings.freq, c.freq);
        EXPECT_EQ(context_.settings.winstartup, c.winstartup);
        EXPECT_EQ(context_.settings.ff, c.ff);
        EXPECT_EQ(context_.settings.ie, 0);
    }
}

TEST_F(SettingsTest, SavesInTheExampleLayoutAndRegistersStartup) {
    mSettings& s = context_.settings;
    s.schedule = 1;
    s.freq = 1;
    s.winstartup = 1;
    s.SaveAppSettings();
    s.ff = 1;
    s.ie = 0;
    s.SavePlugInSettings();

    EXPECT_EQ(TempDir::read(settingsFile()),
              "[app]\r\nschedule=1\r\nfreq=1\r\nwinstartup=1\r\n[plugin]\r\nff=1\r\nie=0\r\n");
    ASSERT_EQ(seam_.boxes.size(), 1u);
    EXPECT_EQ(seam_.boxes[0].caption, "Done!");
    EXPECT_EQ(seam_.boxes[0].text, "Settings are successfully saved!");
    EXPECT_EQ(seam_.boxes[0].icon, MsgIcon::Information);
    EXPECT_EQ(hooks_.timerEnabled, 1);
    ASSERT_EQ(hooks_.calls.size(), 1u);
    EXPECT_TRUE(hooks_.calls[0].ff && !hooks_.calls[0].ie && hooks_.calls[0].start);

    std::string entry = TempDir::read(autostartFile());
    EXPECT_NE(entry.find("Exec=\"" + app_.path() + "/vellorin\" -s"), std::string::npos) << entry;

    // Clearing the option removes the entry; saving again with it cleared stays silent.
    s.winstartup = 0;
    s.SaveAppSettings();
    EXPECT_FALSE(std::filesystem::exists(autostartFile()));
    s.SaveAppSettings();
    EXPECT_EQ(seam_.boxes.size(), 3u);
}

TEST_F(SettingsTest, ScheduleZeroOnDiskIsRewrittenAsOne) {
    app_.write("settings.cfg", "; hand-written\r\n[app]\r\nschedule=0\r\nfreq=2\r\n");
    mSettings& s = context_.settings;
    s.LoadAppSettings(false);
    s.winstartup = 0;
    s.SaveAppSettings();
    EXPECT_EQ(TempDir::read(settingsFile()),
              "; hand-written\r\n[app]\r\nschedule=1\r\nfreq=2\r\nwinstartup=0\r\n");
}

TEST_F(SettingsTest, FillsTheDialogsWhenAsked) {
    struct Dialogs : SettingsDialogView, PlugInDialogView {
        void setFrequencyIndex(int index) override { freq = index; }
        void setStartupChecked(bool checked) override { startup = checked; }
        void setPlugInChecked(int index, bool checked) override { plugIn[index] = checked; }
        int freq = -1;
        bool startup = false;
        bool plugIn[2] = {false, false};
    } dialogs;
    app_.write("settings.cfg", "[app]\nfreq=2\nwinstartup=1\n[plugin]\nff=0\nie=1\n");
    context_.settings.LoadAppSettings(true, &dialogs);
    context_.settings.LoadPlugInSettings(true, &dialogs);
    EXPECT_EQ(dialogs.freq, 2);
    EXPECT_TRUE(dialogs.startup);
    EXPECT_FALSE(dialogs.plugIn[0]);
    EXPECT_TRUE(dialogs.plugIn[1]);
}

TEST(FrequencyStatusTextTest, OnlyTheThreeChoicesHaveText) {
    EXPECT_EQ(mSettings::FrequencyStatusText(0), "AutoCheck: Every 15 min");
    EXPECT_EQ(mSettings::FrequencyStatusText(1), "AutoCheck: Every 30 min");
    EXPECT_EQ(mSettings::FrequencyStatusText(2), "AutoCheck: Every 60 min");
    EXPECT_EQ(mSettings::FrequencyStatusText(3), "");
    EXPECT_EQ(mSettings::FrequencyStatusText(-1), "");
}

}  // namespace
}  // namespace vellorin
