#include "config/startup_option.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "support/recording_seam.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace vellorin {
namespace {

using test::TempDir;

// A launcher's reading of a stored `"path" arguments` Exec value; nullopt for what it rejects.
std::optional<std::pair<std::string, std::string>> ParseStoredExec(std::string_view stored) {
    std::string value;
    for (size_t i = 0; i < stored.size(); ++i) {
        if (stored[i] != '\\') {
            value += stored[i];
            continue;
        }
        const size_t k = ++i < stored.size() ? std::string_view("\\ntrs").find(stored[i]) : 5;
        if (k >= 5)
            return std::nullopt;
        value += "\\\n\t\r "[k];
    }
    if (value.empty() || value[0] != '"')
        return std::nullopt;
    std::string path;
    size_t i = 1;
    for (; i < value.size() && value[i] != '"'; ++i) {
        const char c = value[i];
        if (c == '\\' && (++i == value.size() || std::string_view("\"`$\\").find(value[i]) > 3))
            return std::nullopt;
        if (c == '%' && (++i == value.size() || value[i] != '%'))
            return std::nullopt;
        path += value[i];
    }
    if (i >= value.size())
        return std::nullopt;
    return std::pair(path, value.substr(i + 1));
}

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

TEST_F(StartupOptionTest, StoredExecGivesBackThePathAndTheSwitch) {
    for (const std::string folder :
         {"/home/a b/My Apps", "/tmp/q\"uote", "/tmp/$PATH/`x`", "/tmp/back\\slash",
          "/tmp/two\\\\back", "/tmp/50% off", "/tmp/%u", "/tmp/tab\there", "/tmp/new\nline"}) {
        SCOPED_TRACE(folder);
        setOption(folder, true);
        const std::string stored = storedExec();
        EXPECT_EQ(stored.find_first_of("\r\n\t"), std::string::npos);
        EXPECT_EQ(ParseStoredExec(stored), std::pair(folder + "/vellorin", std::string(" -s")))
            << stored;
    }
    setOption("/tmp/back\\slash", true);
    EXPECT_EQ(storedExec(), R"("/tmp/back\\\\slash/vellorin" -s)");
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
