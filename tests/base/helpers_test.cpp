#include "base/helpers.h"
#include "base/trans_form.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/recording_seam.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace vellorin {
namespace {

using test::TempDir;

TEST(FileHelpersTest, TextFilesGetCrLfAndFailuresAreReported) {
    TempDir dir;
    test::RecordingSeam seam;
    std::string path = dir.file("t.txt");
    ASSERT_TRUE(WriteTextFile(seam, path, "first version, long"));
    std::string binary("a\0b\xff", 4);
    ASSERT_TRUE(WriteTextFile(seam, path, binary));
    EXPECT_EQ(ReadTextFile(seam, path), binary + "\r\n");
    EXPECT_TRUE(FileExists(seam, path));
    EXPECT_FALSE(FileExists(seam, dir.path()));
    EXPECT_FALSE(FileExists(seam, dir.file("missing")));
    EXPECT_TRUE(seam.boxes.empty());

    EXPECT_FALSE(WriteTextFile(seam, dir.file("no/such/folder.txt"), "x"));
    EXPECT_EQ(ReadTextFile(seam, dir.path()), "");
    EXPECT_FALSE(FileExists(seam, std::string("a\0b", 3)));
    EXPECT_EQ(seam.captions(),
              (std::vector<std::string>{"Error !", "Error !", "Error ! (Source : FileExists)"}));
}

TEST(GetAppDataFolderTest, FollowsAnAbsoluteXdgDataHomeThenHome) {
    test::ScopedEnv home("HOME", "/home/tester");
    test::ScopedEnv xdg("XDG_DATA_HOME", "/srv/data");
    EXPECT_EQ(GetAppDataFolder(), "/srv/data");
    xdg.set("relative/ignored");
    EXPECT_EQ(GetAppDataFolder(), "/home/tester/.local/share");
}

TEST(TransparencyToAlphaTest, MapsPercentagesToAlphaRoundingHalvesToEvenAndKeepsOutliersVisible) {
    const int cases[][2] = {{0, 255}, {10, 230}, {30, 178}, {100, 0}, {101, 1}, {-1, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(TransparencyToAlpha(c[0]), c[1]) << c[0];
}

}  // namespace
}  // namespace vellorin
