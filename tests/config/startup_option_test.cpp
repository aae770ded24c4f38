#include "config/startup_option.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

#include "support/recording_seam.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace vellorin {
namespace {

using test::TempDir;

class StartupOptionTest : public ::testing::Test {
protected:
    std::string entryFile() const { return config_.file("autostart/VellorinPlugIn.desktop"); }
    std::string storedExec() const {
        const std::string text = TempDir::read(entryFile());
        const size_t at = text.find("\nExec=") + 6;
        return text.substr(at, text.find('\n', at) - at);
    }
    void setOption(const std::string& folder, bool on) {
        SetStartupOption(seam_, "VellorinPlugIn", "vellorin", folder, "-s", on);
    }

    TempDir config_;
    test::ScopedEnv xdg_{"XDG_CONFIG_HOME", config_.path()};
    test::RecordingSeam seam_;
};

TEST_F(StartupOptionTest, WritesTheEntryInAPrivateFolderAndRemovesOnlyIt) {
    setOption("/opt/vellorin", true);
    EXPECT_EQ(
        TempDir::read(entryFile()),
        "[Desktop Entry]\nType=Application\nName=Vellorin\nExec=\"/opt/vellorin/vellorin\" -s\n"
        "X-GNOME-Autostart-enabled=true\nTerminal=false\n"
        "Comment=Starts Vellorin when you log in\n");
    struct stat st {};
    ASSERT_EQ(::stat(config_.file("autostart").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    const std::string other = config_.write("autostart/other.desktop", "[Desktop Entry]\n");
    setOption("/opt/vellorin", false);
    setOption("/opt/vellorin", false);
    EXPECT_FALSE(std::filesystem::exists(entryFile()));
    EXPECT_TRUE(std::filesystem::exists(other));
    EXPECT_TRUE(seam_.boxes.empty());
}

// Quoted for the launcher (a backslash before " ` $ and backslash, % doubled), then written as
// a desktop-file string (backslashes doubled, line breaks and tabs as escapes).
TEST_F(StartupOptionTest, TheStoredExecQuotesThePathForTheLauncher) {
    const std::pair<std::string, std::string> cases[] = {
        {"/home/a b/My Apps", R"("/home/a b/My Apps/vellorin" -s)"},
        {"/t/q\"$`\\50% %u", R"("/t/q\\"\\$\\`\\\\50%% %%u/vellorin" -s)"},
        {"/t/tab\there\r\n", R"("/t/tab\there\r\n/vellorin" -s)"}};
    for (const auto& [folder, stored] : cases) {
        setOption(folder, true);
        EXPECT_EQ(storedExec(), stored) << folder;
    }
}

TEST_F(StartupOptionTest, AnEntryNameCannotLeaveTheAutostartFolder) {
    for (const std::string name : {"", ".", "..", "../escape", "sub/entry"}) {
        SCOPED_TRACE(name);
        SetStartupOption(seam_, name, "vellorin", "/opt/v", "-s", true);
    }
    EXPECT_FALSE(std::filesystem::exists(config_.file("escape.desktop")));
    EXPECT_FALSE(std::filesystem::exists(config_.file("autostart")));
    EXPECT_TRUE(seam_.boxes.empty());
}

}  // namespace
}  // namespace vellorin
