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
    struct Case {
        const char* name;
        bool besideProgram;  // view.tpl in the program's folder
        bool inShare;        // view.tpl in ../share/vellorin
        bool installed;
    };
    const Case cases[] = {
        {"build folder", true, false, false},
        {"installed prefix", false, true, true},
        {"files beside the program win over a share folder", true, true, false},
        {"neither: the program's folder, where missing files are reported", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir prefix;
        std::filesystem::create_directories(prefix.file("bin"));
        if (c.besideProgram)
            prefix.write("bin/view.tpl", "<html></html>");
        if (c.inShare)
            prefix.write("share/vellorin/view.tpl", "<html></html>");

        const AppFolders folders = ResolveAppFolders(prefix.file("bin"));
        EXPECT_EQ(folders.installed, c.installed);
        if (c.installed) {
            EXPECT_EQ(folders.appFolder, prefix.file("share/vellorin"));
            EXPECT_EQ(folders.settingsFolder, root_.file("config") + "/Vellorin");
        } else {
            EXPECT_EQ(folders.appFolder, prefix.file("bin"));
            EXPECT_EQ(folders.settingsFolder, prefix.file("bin"));
        }
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
    EXPECT_TRUE(EnsureSettingsFolder(folder));  // already there
    root_.write("config/file", "x");
    EXPECT_FALSE(EnsureSettingsFolder(root_.file("config/file")));
    EXPECT_FALSE(EnsureSettingsFolder(""));
}

// The command-line client installed into a prefix: it reads the shared files there and writes
// settings.cfg to the user's configuration folder, never beside itself.
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
