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

TEST(EnsureDataFolderTest, FirstRunCreatesFolderAndEmptyList) {
    TempDir home;
    const char* old = std::getenv("XDG_DATA_HOME");
    std::string saved = old ? old : "";
    ::setenv("XDG_DATA_HOME", home.path().c_str(), 1);

    RecordingSeam seam;
    ManualClock clock;
    AppContext context(AppOptions{home.path(), "", "", "vellorin"}, seam, clock);
    context.subscriptions.EnsureDataFolder();
    EXPECT_EQ(context.subscriptions.DataFolder, home.path() + "/Vellorin Data");

    std::string list = TempDir::read(home.path() + "/Vellorin Data/subscriptions.dat");
    EXPECT_EQ(list.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<!--\r\n"
                         "Document   : subscriptions.dat\r\n",
                         0),
              0u);
    EXPECT_NE(list.find("\r\nDescription:\r\n    This file saves a complete list of all Messages "
                        "Sources subscribed\r\n    under Vellorin application.\r\n-->\r\n"),
              std::string::npos);
    EXPECT_EQ(list.substr(list.size() - 25), "<sources>\r\n</sources>\r\n\r\n");
    EXPECT_TRUE(seam.boxes.empty());

    if (old)
        ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

TEST(EnsureDataFolderTest, ExistingFolderWithoutListIsLeftAlone) {
    TempDir data;
    RecordingSeam seam;
    ManualClock clock;
    AppContext context(AppOptions{data.path(), data.path() + "/", "", "vellorin"}, seam, clock);
    context.subscriptions.EnsureDataFolder();
    EXPECT_EQ(context.subscriptions.DataFolder, data.path());
    EXPECT_FALSE(std::filesystem::exists(data.file("subscriptions.dat")));
}

TEST(EnsureDataFolderTest, MissingParentsAreCreated) {
    TempDir root;
    RecordingSeam seam;
    ManualClock clock;
    std::string deep = root.path() + "/a/b/Vellorin Data";
    AppContext context(AppOptions{root.path(), deep, "", "vellorin"}, seam, clock);
    context.subscriptions.EnsureDataFolder();
    EXPECT_TRUE(std::filesystem::exists(deep + "/subscriptions.dat"));
}

}  // namespace
}  // namespace vellorin
