#include "app/helpers.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "support/recording_seam.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace vellorin {
namespace {

using test::RecordingSeam;
using test::TempDir;

TEST(FileExistsTest, TellsFilesFromFoldersAndReportsUnusablePaths) {
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
    EXPECT_TRUE(FolderExists(dir.path()));
    EXPECT_FALSE(FolderExists(dir.file("missing")));
    EXPECT_TRUE(seam.boxes.empty());

    // A path the system cannot take at all is a failure the user is told about.
    EXPECT_FALSE(FileExists(seam, std::string("a\0b", 3)));
    EXPECT_FALSE(FileExists(seam, std::string(5000, 'a')));
    ASSERT_EQ(seam.boxes.size(), 2u);
    for (const auto& box : seam.boxes) {
        EXPECT_EQ(box.caption, "Error ! (Source : FileExists)");
        EXPECT_NE(box.text.find(" : \r\n\r\n"), std::string::npos) << box.text;
    }
}

TEST(TextFileTest, WriteAddsCrLfAndReplacesWhole) {
    TempDir dir;
    RecordingSeam seam;
    std::string path = dir.file("t.txt");
    ASSERT_TRUE(WriteTextFile(seam, path, "first version, long"));
    ASSERT_TRUE(WriteTextFile(seam, path, "short"));
    EXPECT_EQ(TempDir::read(path), "short\r\n");
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

TEST(TextHelpersTest, BlanksAreSpacesOnlyAndCaseIsIgnoredWhereAsked) {
    EXPECT_TRUE(IsBlank("") && IsBlank("   "));
    EXPECT_FALSE(IsBlank(" a ") || IsBlank("\t") || IsBlank("\r\n"));
    EXPECT_EQ(AddBackslash("/a/b") + AddBackslash("/c/") + AddBackslash(""), "/a/b//c/");
    EXPECT_EQ(TrimSpaces("  a b  "), "a b");
    EXPECT_TRUE(EqualsNoCase("SeCtIoN", "section"));
    EXPECT_FALSE(EqualsNoCase("section", "sections"));
    EXPECT_TRUE(ContainsNoCase("http://WWW.Vellorin.NET/x", "www.vellorin.net"));
    EXPECT_FALSE(ContainsNoCase("vellorin.net", "www.vellorin.net"));
}

TEST(GetAppDataFolderTest, FollowsAnAbsoluteXdgDataHomeThenHome) {
    test::ScopedEnv home("HOME", "/home/tester");
    test::ScopedEnv xdg("XDG_DATA_HOME", "/srv/data");
    EXPECT_EQ(GetAppDataFolder(), "/srv/data");
    xdg.set("relative/ignored");
    EXPECT_EQ(GetAppDataFolder(), "/home/tester/.local/share");
    xdg.set(std::nullopt);
    EXPECT_EQ(GetAppDataFolder(), "/home/tester/.local/share");
}

}  // namespace
}  // namespace vellorin
