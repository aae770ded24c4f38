#include "base/app_layout.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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

TEST_F(AppLayoutTest, TheLayoutAroundTheProgramDecidesWhereFilesAreAndWhoMayReadThem) {
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
    config_.set("relative/config");  // invalid, ignored
    EXPECT_EQ(UserSettingsFolder(), root_.file("home") + "/.config/Vellorin");
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

}  // namespace
}  // namespace vellorin
