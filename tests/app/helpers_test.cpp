#include "app/helpers.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "support/recording_seam.h"
#include "support/temp_dir.h"

namespace vellorin {
namespace {

using test::RecordingSeam;
using test::TempDir;

TEST(FileExistsTest, TellsFilesFromFoldersAndMissingEntries) {
    TempDir dir;
    RecordingSeam seam;
    std::string file = dir.write("a.txt", "x");
    std::string hidden = dir.write(".hidden", "x");
    ::chmod(hidden.c_str(), 0400);

    EXPECT_TRUE(FileExists(seam, file));
    EXPECT_TRUE(FileExists(seam, hidden));
    EXPECT_FALSE(FileExists(seam, dir.path()));  // a folder is not a file
    EXPECT_FALSE(FileExists(seam, dir.file("missing")));
    EXPECT_FALSE(FileExists(seam, ""));
    EXPECT_TRUE(seam.boxes.empty());

    EXPECT_TRUE(FolderExists(dir.path()));
    EXPECT_TRUE(FolderExists(file));  // a file of that name counts too
    EXPECT_FALSE(FolderExists(dir.file("missing")));
}

TEST(FileExistsTest, UnusablePathIsReportedAndFalse) {
    RecordingSeam seam;
    std::string withNul("a\0b", 3);
    EXPECT_FALSE(FileExists(seam, withNul));
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.boxes[0].caption, "Error ! (Source : FileExists)");
    EXPECT_NE(seam.boxes[0].text.find(" : \r\n\r\n"), std::string::npos);

    seam.clear();
    EXPECT_FALSE(FileExists(seam, std::string(5000, 'a')));
    EXPECT_EQ(seam.captions(), std::vector<std::string>{"Error ! (Source : FileExists)"});
}

TEST(TextFileTest, WriteAddsCrLfAndReplacesWhole) {
    TempDir dir;
    RecordingSeam seam;
    std::string path = dir.file("t.txt");
    ASSERT_TRUE(WriteTextFile(seam, path, "first version, long"));
    ASSERT_TRUE(WriteTextFile(seam, path, "short"));
    EXPECT_EQ(TempDir::read(path), "short\r\n");
    EXPECT_EQ(ReadTextFile(seam, path), "short\r\n");
    std::string binary("a\0b\xff", 4);
    ASSERT_TRUE(WriteTextFile(seam, path, binary));
    EXPECT_EQ(ReadTextFile(seam, path), binary + "\r\n");
    EXPECT_TRUE(seam.boxes.empty());
}

TEST(TextFileTest, FailuresAreReportedWithErrorBox) {
    TempDir dir;
    RecordingSeam seam;
    EXPECT_FALSE(WriteTextFile(seam, dir.file("no/such/folder.txt"), "x"));
    EXPECT_EQ(ReadTextFile(seam, dir.file("missing.txt")), "");
    EXPECT_EQ(ReadTextFile(seam, dir.path()), "");  // a folder cannot be read as text
    ASSERT_EQ(seam.boxes.size(), 3u);
    for (const auto& box : seam.boxes) {
        EXPECT_EQ(box.caption, "Error !");
        EXPECT_EQ(box.icon, MsgIcon::Information);
        EXPECT_NE(box.text.find(" : \r\n\r\n"), std::string::npos) << box.text;
    }
}

TEST(TextHelpersTest, BlankAndBackslashAndCase) {
    struct Case {
        const char* text;
        bool blank;
    } cases[] = {{"", true}, {"   ", true}, {" a ", false}, {"\t", false}, {"\r\n", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(IsBlank(c.text), c.blank);
    }
    EXPECT_EQ(AddBackslash("/a/b"), "/a/b/");
    EXPECT_EQ(AddBackslash("/a/b/"), "/a/b/");
    EXPECT_EQ(AddBackslash(""), "");
    EXPECT_EQ(TrimSpaces("  a b  "), "a b");
    EXPECT_TRUE(EqualsNoCase("SeCtIoN", "section"));
    EXPECT_FALSE(EqualsNoCase("section", "sections"));
    EXPECT_TRUE(ContainsNoCase("http://WWW.Vellorin.NET/x", "www.vellorin.net"));
    EXPECT_FALSE(ContainsNoCase("vellorin.net", "www.vellorin.net"));
}

TEST(GetAppDataFolderTest, FollowsXdgDataHomeThenHome) {
    const char* oldXdg = std::getenv("XDG_DATA_HOME");
    std::string savedXdg = oldXdg ? oldXdg : "";
    const char* oldHome = std::getenv("HOME");
    std::string savedHome = oldHome ? oldHome : "";

    ::setenv("XDG_DATA_HOME", "/srv/data", 1);
    EXPECT_EQ(GetAppDataFolder(), "/srv/data");
    ::setenv("XDG_DATA_HOME", "relative/ignored", 1);
    ::setenv("HOME", "/home/tester", 1);
    EXPECT_EQ(GetAppDataFolder(), "/home/tester/.local/share");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(GetAppDataFolder(), "/home/tester/.local/share");

    if (oldXdg)
        ::setenv("XDG_DATA_HOME", savedXdg.c_str(), 1);
    if (oldHome)
        ::setenv("HOME", savedHome.c_str(), 1);
    else
        ::unsetenv("HOME");
}

}  // namespace
}  // namespace vellorin
