#include "store/profile_cache.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>
#include <thread>

#include "store/profile_file.h"
#include "support/temp_dir.h"

namespace vellorin::profile {
namespace {

// Changes a file's bytes without changing its size or times, as a same-size rewrite within one
// step of the clock does: a write through a shared mapping whose page is writable already. The
// kernel stamps the file at the first write to a clean page only, which the constructor makes.
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

// Sets the modification time `seconds` away from now; the change time becomes now.
void SetModified(const std::string& path, time_t seconds) {
    struct timespec times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) + seconds, 123456789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// Waits until the clock that stamps files has passed the file's change time.
void WaitPastChange(const std::string& path) {
    const struct timespec changed = StatOf(path).st_ctim;
    for (;;) {
        struct timespec now {};
        ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
        if (now.tv_sec > changed.tv_sec ||
            (now.tv_sec == changed.tv_sec && now.tv_nsec > changed.tv_nsec)) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Overwrites the start of a file in place with a plain write, as another program would.
void WriteInPlace(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::pwrite(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
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

    // A copy read from the file. A file changed in the clock step of the read looks just like
    // one whose time lies ahead of the read: its copy is compared with it at every use.
    SetModified(path, 3600);
    EXPECT_EQ(get("j"), "5");
    const struct stat read = StatOf(path);
    ASSERT_TRUE(writer.write("[a]\r\nj=6\r\nk=1\r\n"));
    ASSERT_TRUE(SameIdentity(StatOf(path), read));
    EXPECT_EQ(get("j"), "6");
    // A stale copy would put the new value where "k" stood before, in the line of "j".
    EXPECT_NE(set("k", "2"), 0);
    EXPECT_EQ(test::TempDir::read(path), "[a]\r\nj=6\r\nk=2\r\n");
    uint64_t reads = cache.fileReads();
    EXPECT_EQ(get("k"), "2");
    EXPECT_EQ(cache.fileReads(), reads);  // the copy of its own change needs no comparison

    // A copy of a change of this process: another program's write right after it, at once, in
    // the same clock step, is seen.
    WriteInPlace(path, "[a]\r\nj=7\r\nk=3\r\n");
    EXPECT_EQ(get("j"), "7");
    EXPECT_NE(set("k", "4"), 0);
    EXPECT_EQ(test::TempDir::read(path), "[a]\r\nj=7\r\nk=4\r\n");

    // Once the file's times are older than the copy, the copy is used as it is.
    SetModified(path, -3600);
    WaitPastChange(path);
    EXPECT_EQ(get("j"), "7");
    reads = cache.fileReads();
    EXPECT_EQ(get("k"), "4");
    EXPECT_EQ(cache.fileReads(), reads);
}

}  // namespace
}  // namespace vellorin::profile
