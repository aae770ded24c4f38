#include "store/publish_batch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "store/profile_file.h"
#include "support/temp_dir.h"

namespace vellorin::profile {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

int AppendOne(const std::string& path, std::string_view section) {
    const std::pair<std::string_view, std::string_view> keys[] = {{"title", "T"}};
    const NewSection sections[] = {{section, keys}};
    return AppendSections(sections, path);
}

TEST(PublishBatchTest, NewFilesWaitForPublishAndLeaveNothingWhenDropped) {
    TempDir dir;
    fs::create_directories(dir.file("a"));
    const std::string fresh = dir.file("a/inbox.dat");
    const std::string empty = dir.write("b/inbox.dat", "");
    const std::string full = dir.write("c/inbox.dat", "[old]\r\ntitle=O\r\n");
    {
        PublishBatch batch;
        {
            const PublishBatchScope scope(batch);
            ASSERT_EQ(AppendOne(fresh, "one"), 0);
            ASSERT_EQ(AppendOne(empty, "two"), 0);
            ASSERT_EQ(AppendOne(full, "three"), 0);
        }
        EXPECT_EQ(batch.size(), 2u);
        EXPECT_FALSE(fs::exists(fresh));
        EXPECT_EQ(fs::file_size(empty), 0u);
        EXPECT_EQ(TempDir::read(dir.file("c/inbox.dat")),
                  "[old]\r\ntitle=O\r\n[three]\r\ntitle=T\r\n");
        EXPECT_EQ(Names(dir.file("a")).size(), 1u);  // the temporary file
    }
    EXPECT_TRUE(Names(dir.file("a")).empty());
    EXPECT_EQ(Names(dir.file("b")), std::vector<std::string>{"inbox.dat"});
    ASSERT_EQ(AppendOne(fresh, "four"), 0);  // outside a batch: at once
    EXPECT_EQ(TempDir::read(fresh), "[four]\r\ntitle=T\r\n");
}

TEST(PublishBatchTest, PublishPutsEachInPlaceOrSaysWhyNot) {
    TempDir dir;
    PublishBatch batch;
    {
        const PublishBatchScope scope(batch);
        for (const char* folder : {"a", "gone", "c"}) {
            fs::create_directories(dir.file(folder));
            ASSERT_EQ(AppendOne(dir.file(std::string(folder) + "/inbox.dat"), folder), 0);
        }
    }
    fs::remove_all(dir.file("gone"));
    EXPECT_EQ(batch.publish(), (std::vector<int>{0, ENOENT, 0}));
    EXPECT_TRUE(batch.empty());
    EXPECT_EQ(TempDir::read(dir.file("c/inbox.dat")), "[c]\r\ntitle=T\r\n");
    EXPECT_EQ(Names(dir.file("a")), std::vector<std::string>{"inbox.dat"});
}

}  // namespace
}  // namespace vellorin::profile
