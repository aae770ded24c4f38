#include "store/profile_cache.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <thread>
#include <tuple>

#include "store/profile_file.h"
#include "support/temp_dir.h"

namespace vellorin::profile {
namespace {

void SetModified(const std::string& path, time_t seconds) {
    struct timespec times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) + seconds, 123456789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(ProfileCacheTest, ChangesInTheClockStepOfACopyAreSeen) {
    test::TempDir dir;
    const std::string path = dir.write("test.ini", "[a]\r\nk=1\r\nj=5\r\n");
    const auto get = [&](const char* key) { return GetPrivateProfileString("a", key, "", path); };
    const auto set = [&](const char* key, const char* v) {
        return WritePrivateProfileString("a", key, v, path);
    };
    auto& cache = ProfileCache::instance();
    ClearProfileCache();
    // A writer through a shared mapping whose page is made writable now: its later write leaves
    // the file's times, and so its identity, as they were.
    const int fd = ::open(path.c_str(), O_RDWR);
    void* map = ::mmap(nullptr, 15, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ASSERT_NE(map, MAP_FAILED);
    static_cast<volatile char*>(map)[0] = static_cast<char*>(map)[0];

    SetModified(path, 3600);
    EXPECT_EQ(get("j"), "5");
    std::memcpy(map, "[a]\r\nj=6\r\nk=1\r\n", 15);
    EXPECT_EQ(get("j"), "6");
    EXPECT_NE(set("k", "2"), 0);
    EXPECT_EQ(test::TempDir::read(path), "[a]\r\nj=6\r\nk=2\r\n");
    uint64_t reads = cache.fileReads();
    EXPECT_EQ(get("k"), "2");
    EXPECT_EQ(cache.fileReads(), reads);  // the copy of its own change needs no comparison

    std::ofstream(path, std::ios::binary | std::ios::in) << "[a]\r\nj=7\r\nk=3\r\n";
    EXPECT_EQ(get("j"), "7");
    EXPECT_NE(set("k", "4"), 0);
    EXPECT_EQ(test::TempDir::read(path), "[a]\r\nj=7\r\nk=4\r\n");

    SetModified(path, -3600);  // an old file, once the clock has passed its last change
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    struct timespec now {};
    while (::clock_gettime(CLOCK_REALTIME_COARSE, &now) == 0 &&
           std::tie(now.tv_sec, now.tv_nsec) <= std::tie(st.st_ctim.tv_sec, st.st_ctim.tv_nsec))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(get("j"), "7");
    reads = cache.fileReads();
    EXPECT_EQ(get("k"), "4");
    EXPECT_EQ(cache.fileReads(), reads);  // an old file's copy is trusted while it stays so
    ::munmap(map, 15);
    ::close(fd);
}

}  // namespace
}  // namespace vellorin::profile
