#include "config/startup_option.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "support/recording_seam.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace vellorin {
namespace {

using test::ScopedEnv;

// The arguments a launcher gets from an Exec value as stored in the file: first the string
// escapes of the file format are undone, then the quoting of each argument. Gives nullopt for a
// line the rules reject (an unclosed quote, a stray escape).
std::optional<std::vector<std::string>> ParseStoredExec(const std::string& stored) {
    std::string value;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (stored[i] != '\\') {
            value.push_back(stored[i]);
            continue;
        }
        if (++i == stored.size())
            return std::nullopt;
        switch (stored[i]) {
            case '\\':
                value.push_back('\\');
                break;
            case 'n':
                value.push_back('\n');
                break;
            case 't':
                value.push_back('\t');
                break;
            case 'r':
                value.push_back('\r');
                break;
            case 's':
                value.push_back(' ');
                break;
            default:
                return std::nullopt;
        }
    }
    std::vector<std::string> args;
    std::size_t i = 0;
    while (i < value.size()) {
        if (value[i] == ' ') {
            ++i;
            continue;
        }
        std::string arg;
        if (value[i] == '"') {
            for (++i;; ++i) {
                if (i == value.size())
                    return std::nullopt;
                char c = value[i];
                if (c == '"')
                    break;
                if (c == '\\') {
                    if (++i == value.size())
                        return std::nullopt;
                    c = value[i];
                    if (c != '"' && c != '`' && c != '$' && c != '\\')
                        return std::nullopt;
                }
                if (c == '%') {
                    if (++i == value.size() || value[i] != '%')
                        return std::nullopt;
                }
                arg.push_back(c);
            }
            ++i;
        } else {
            while (i < value.size() && value[i] != ' ')
                arg.push_back(value[i++]);
        }
        args.push_back(arg);
    }
    return args;
}

std::string ExecLineOf(const std::string& fileContent) {
    const std::string key = "\nExec=";
    std::size_t at = fileContent.find(key);
    if (at == std::string::npos)
        return {};
    at += key.size();
    return fileContent.substr(at, fileContent.find('\n', at) - at);
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

class StartupOptionTest : public ::testing::Test {
protected:
    std::string entryFile() const { return config_.path() + "/autostart/VellorinPlugIn.desktop"; }
    void setOption(const std::string& folder, bool on, const std::string& exe = "vellorin") {
        SetStartupOption(seam_, "VellorinPlugIn", exe, folder, "-s", on);
    }

    test::TempDir config_;
    ScopedEnv xdg_{"XDG_CONFIG_HOME", config_.path()};
    test::RecordingSeam seam_;
};

TEST(StartupCommandTest, QuotesThePathAndAppendsTheArguments) {
    struct Case {
        std::string folder, exe, args, command;
    };
    const std::vector<Case> cases = {
        {"/opt/vellorin", "vellorin", "-s", R"("/opt/vellorin/vellorin" -s)"},
        {"/opt/vellorin/", "vellorin", "-s", R"("/opt/vellorin/vellorin" -s)"},
        {"/opt/a\"b", "vellorin", "-s", R"("/opt/a\"b/vellorin" -s)"},
        {"/opt/$HOME", "vellorin", "-s", R"("/opt/\$HOME/vellorin" -s)"},
        {"/opt/back\\slash", "vellorin", "-s", R"("/opt/back\\slash/vellorin" -s)"},
        {"/opt/100%", "vellorin", "-s", R"("/opt/100%%/vellorin" -s)"},
        // The executable name is used as given: no extension is added, a dot is kept.
        {"/opt/v", "vellorin.bin", "-s", R"("/opt/v/vellorin.bin" -s)"},
        // Blank arguments leave the space out; others are kept untrimmed.
        {"/opt/v", "vellorin", "", R"("/opt/v/vellorin")"},
        {"/opt/v", "vellorin", "   ", R"("/opt/v/vellorin")"},
        {"/opt/v", "vellorin", " -s ", R"("/opt/v/vellorin"  -s )"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder + " | " + c.exe + " | " + c.args);
        EXPECT_EQ(StartupCommand(c.folder, c.exe, c.args), c.command);
    }
}

TEST_F(StartupOptionTest, AutostartFolderFollowsXdgConfigHome) {
    EXPECT_EQ(AutostartFolder(), config_.path() + "/autostart");
    {
        ScopedEnv slash("XDG_CONFIG_HOME", config_.path() + "/");
        EXPECT_EQ(AutostartFolder(), config_.path() + "/autostart");
    }
    test::TempDir home;
    ScopedEnv homeEnv("HOME", home.path());
    for (const std::optional<std::string>& fallback :
         {std::optional<std::string>(), std::optional<std::string>(""),
          std::optional<std::string>("relative/config")}) {
        SCOPED_TRACE(fallback.value_or("(unset)"));
        ScopedEnv xdg("XDG_CONFIG_HOME", fallback);
        EXPECT_EQ(AutostartFolder(), home.path() + "/.config/autostart");
    }
}

TEST_F(StartupOptionTest, RegisteringWritesTheEntryCreatingTheFolder) {
    ASSERT_FALSE(Exists(config_.path() + "/autostart"));
    setOption("/opt/vellorin", true);
    EXPECT_EQ(test::TempDir::read(entryFile()),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Vellorin\n"
              "Exec=\"/opt/vellorin/vellorin\" -s\n"
              "X-GNOME-Autostart-enabled=true\n"
              "Terminal=false\n"
              "Comment=Starts Vellorin when you log in\n");
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(StartupOptionTest, CreatesMissingConfigFoldersPrivately) {
    const std::string nested = config_.path() + "/deep/er";
    ScopedEnv xdg("XDG_CONFIG_HOME", nested);
    setOption("/opt/vellorin", true);
    EXPECT_TRUE(Exists(nested + "/autostart/VellorinPlugIn.desktop"));
    struct stat st {};
    ASSERT_EQ(::stat((nested + "/autostart").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(StartupOptionTest, StoredExecGivesBackThePathAndTheSwitch) {
    const std::vector<std::string> folders = {
        "/opt/vellorin",     "/home/a b/My Apps", "/tmp/q\"uote",   "/tmp/$PATH/`x`",
        "/tmp/back\\slash",  "/tmp/two\\\\back",  "/tmp/50% off",   "/tmp/%u",
        "/tmp/semi;colon&|", "/tmp/tab\there",    "/tmp/new\nline", "/tmp/it's ~(x)",
    };
    for (const auto& folder : folders) {
        SCOPED_TRACE(folder);
        setOption(folder, true);
        const std::string stored = ExecLineOf(test::TempDir::read(entryFile()));
        // Nothing in the value may break the one-line format of the file.
        EXPECT_EQ(stored.find_first_of("\r\n\t"), std::string::npos);
        auto args = ParseStoredExec(stored);
        ASSERT_TRUE(args.has_value()) << stored;
        EXPECT_EQ(*args, (std::vector<std::string>{folder + "/vellorin", "-s"}));
    }
    EXPECT_EQ(ExecLineOf(test::TempDir::read(entryFile())), "\"/tmp/it's ~(x)/vellorin\" -s");
    setOption("/tmp/back\\slash", true);
    EXPECT_EQ(ExecLineOf(test::TempDir::read(entryFile())), R"("/tmp/back\\\\slash/vellorin" -s)");
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(StartupOptionTest, RegisteringAgainReplacesTheEntry) {
    setOption("/opt/old", true);
    setOption("/opt/new", true, "vellorin-new");
    EXPECT_EQ(ExecLineOf(test::TempDir::read(entryFile())), R"("/opt/new/vellorin-new" -s)");
}

TEST_F(StartupOptionTest, ClearingRemovesOnlyTheEntryAndIsSilentWithoutOne) {
    setOption("/opt/vellorin", false);  // nothing there yet, not even the folder
    EXPECT_FALSE(Exists(entryFile()));

    setOption("/opt/vellorin", true);
    const std::string other = config_.write("autostart/other.desktop", "[Desktop Entry]\n");
    setOption("/opt/vellorin", false);
    EXPECT_FALSE(Exists(entryFile()));
    EXPECT_TRUE(Exists(other));
    setOption("/opt/vellorin", false);
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(StartupOptionTest, FailuresAreSilent) {
    // The autostart folder's place is taken by a file: nothing can be written there.
    config_.write("autostart", "not a folder");
    setOption("/opt/vellorin", true);
    setOption("/opt/vellorin", false);
    EXPECT_EQ(test::TempDir::read(config_.file("autostart")), "not a folder");
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(StartupOptionTest, AnEntryNameCannotLeaveTheAutostartFolder) {
    for (const std::string name : {"", ".", "..", "../escape", "sub/entry"}) {
        SCOPED_TRACE(name);
        SetStartupOption(seam_, name, "vellorin", "/opt/v", "-s", true);
    }
    EXPECT_FALSE(Exists(config_.path() + "/escape.desktop"));
    EXPECT_FALSE(Exists(config_.path() + "/autostart"));
    EXPECT_TRUE(seam_.boxes.empty());
}

}  // namespace
}  // namespace vellorin
