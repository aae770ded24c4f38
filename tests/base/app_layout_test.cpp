#include "base/app_layout.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/run_process.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace vellorin {
namespace {

using test::ScopedEnv;
using test::TempDir;

class AppLayoutTest : public ::testing::Test {
protected:
    TempDir root_;
    ScopedEnv config_{"XDG_CONFIG_HOME", root_.file("config")};
    ScopedEnv home_{"HOME", root_.file("home")};
};

TEST_F(AppLayoutTest, TheLayoutAroundTheProgramDecidesWhereFilesAre) {
    // view.tpl beside the program, in ../share/vellorin; whether that is an installed prefix
    const bool cases[][3] = {
        {true, false, false}, {false, true, true}, {true, true, false}, {false, false, false}};
    for (const auto& [besideProgram, inShare, installed] : cases) {
        SCOPED_TRACE(std::to_string(besideProgram) + std::to_string(inShare));
        TempDir prefix;
        std::filesystem::create_directories(prefix.file("bin"));
        if (besideProgram)
            prefix.write("bin/view.tpl", "<html></html>");
        if (inShare)
            prefix.write("share/vellorin/view.tpl", "<html></html>");
        const AppFolders folders = ResolveAppFolders(prefix.file("bin"));
        EXPECT_EQ(folders.installed, installed);
        EXPECT_EQ(folders.appFolder, prefix.file(installed ? "share/vellorin" : "bin"));
        EXPECT_EQ(folders.settingsFolder,
                  installed ? root_.file("config") + "/Vellorin" : prefix.file("bin"));
    }
}

TEST_F(AppLayoutTest, TheUserSettingsFolderFollowsTheConfigurationHome) {
    EXPECT_EQ(UserSettingsFolder(), root_.file("config") + "/Vellorin");
    // A relative XDG_CONFIG_HOME is invalid and ignored.
    config_.set("relative/config");
    EXPECT_EQ(UserSettingsFolder(), root_.file("home") + "/.config/Vellorin");
    config_.set(std::nullopt);
    EXPECT_EQ(UserSettingsFolder(), root_.file("home") + "/.config/Vellorin");
}

TEST_F(AppLayoutTest, TheSettingsFolderIsMadeForTheUserAlone) {
    const std::string folder = root_.file("config/deeper/Vellorin");
    ASSERT_TRUE(EnsureSettingsFolder(folder));
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_TRUE(EnsureSettingsFolder(folder));
    root_.write("config/file", "x");
    EXPECT_FALSE(EnsureSettingsFolder(root_.file("config/file")));
    EXPECT_FALSE(EnsureSettingsFolder(""));
}

TEST_F(AppLayoutTest, AnInstalledCommandLineClientKeepsItsSettingsPerUser) {
    TempDir prefix;
    std::filesystem::create_directories(prefix.file("bin"));
    std::filesystem::create_directories(prefix.file("share"));
    std::filesystem::copy_file(VELLORIN_BIN_DIR "/vellorinctl", prefix.file("bin/vellorinctl"));
    std::filesystem::copy(VELLORIN_RESOURCES_DIR, prefix.file("share/vellorin"),
                          std::filesystem::copy_options::recursive);

    const auto result = test::RunProcess(
        prefix.file("bin/vellorinctl"), {"--data-dir", root_.file("data"), "settings", "freq=2"},
        {{"XDG_CONFIG_HOME", root_.file("config")}, {"HOME", root_.file("home")}});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(TempDir::read(root_.file("config/Vellorin/settings.cfg")).find("freq=2"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(prefix.file("bin/settings.cfg")));
    EXPECT_FALSE(std::filesystem::exists(prefix.file("share/vellorin/settings.cfg")));
}

}  // namespace
}  // namespace vellorin
