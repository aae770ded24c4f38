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
#include <string_view>
#include <thread>
#include <tuple>

#include "store/profile_file.h"
#include "support/temp_dir.h"

namespace vellorin::profile {
namespace {

class TracelessWriter {
public:
    explicit TracelessWriter(const std::string& path) : fd_(::open(path.c_str(), O_RDWR)) {
        struct stat st {};
        ::fstat(fd_, &st);
        size_ = static_cast<size_t>(st.st_size);
        void* map = ::mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
        map_ = map == MAP_FAILED ? nullptr : static_cast<char*>(map);
        if (map_)
            static_cast<volatile char*>(map_)[0] = map_[0];
    }
    ~TracelessWriter() {
        if (map_)
            ::munmap(map_, size_);
        ::close(fd_);
    }
    bool write(std::string_view bytes) {
        if (!map_ || bytes.size() != size_)
            return false;
        std::memcpy(map_, bytes.data(), bytes.size());
        return true;
    }

private:
    int fd_;
    size_t size_ = 0;
    char* map_ = nullptr;
};

struct stat StatOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st;
}

bool SameIdentity(const struct stat& a, const struct stat& b) {
    return a.st_ino == b.st_ino && a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec && a.st_ctim.tv_sec == b.st_ctim.tv_sec &&
           a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

void SetModified(const std::string& path, time_t seconds) {
    struct timespec times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) + seconds, 123456789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

void WaitPastChange(const std::string& path) {
    const struct timespec changed = StatOf(path).st_ctim;
    struct timespec now {};
    while (::clock_gettime(CLOCK_REALTIME_COARSE, &now) == 0 &&
           std::tie(now.tv_sec, now.tv_nsec) <= std::tie(changed.tv_sec, changed.tv_nsec))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TEST(ProfileCacheTest, ChangesInTheClockStepOfACopyAreSeen) {
    test::TempDir dir;
    const std::string path = dir.write("test.ini", "[a]\r\nk=1\r\nj=5\r\n");
    const auto get = [&](const char* key) {
        return GetPrivateProfileString("a", key, "DEF", path);
    };
    const auto set = [&](const char* key, const char* value) {
        return WritePrivateProfileString("a", key, value, path);
    };
    auto& cache = ProfileCache::instance();
    ClearProfileCache();
    TracelessWriter writer(path);

    SetModified(path, 3600);
    EXPECT_EQ(get("j"), "5");
    const struct stat read = StatOf(path);
    ASSERT_TRUE(writer.write("[a]\r\nj=6\r\nk=1\r\n"));
    ASSERT_TRUE(SameIdentity(StatOf(path), read));
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

    SetModified(path, -3600);
    WaitPastChange(path);
    EXPECT_EQ(get("j"), "7");
    reads = cache.fileReads();
    EXPECT_EQ(get("k"), "4");
    EXPECT_EQ(cache.fileReads(), reads);
}

}  // namespace
}  // namespace vellorin::profile
