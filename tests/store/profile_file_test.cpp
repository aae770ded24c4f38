#include "store/profile_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "store/profile_sweep.h"
#include "support/temp_dir.h"
#include "util/file_lock.h"

namespace vellorin::profile {
namespace {

using namespace std::string_view_literals;
using std::nullopt;
using Opt = std::optional<std::string_view>;
using Keys = std::vector<std::pair<std::string_view, std::string_view>>;

class ProfileFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearProfileCache();
        path_ = dir_.file("test.ini");
    }

    std::string get(Opt section, Opt key, std::string_view def = "DEF") const {
        return GetPrivateProfileString(section, key, def, path_);
    }
    long set(Opt section, Opt key, Opt value) const {
        return WritePrivateProfileString(section, key, value, path_);
    }
    std::string stored() const { return test::TempDir::read(path_); }
    void store(std::string_view bytes) const { dir_.write("test.ini", bytes); }
    struct stat statOf() const {
        struct stat st {};
        EXPECT_EQ(::stat(path_.c_str(), &st), 0);
        return st;
    }

    test::TempDir dir_;
    std::string path_;
};

TEST_F(ProfileFileTest, ReadsHandWrittenFilesByThePrivateProfileRules) {
    struct Case {
        const char* name;
        Opt file, section, key;  // file nullopt: no file
        std::string_view expected;
    };
    const std::string_view list = "; c\n[a]\nx=1\ny=2\n[b]\n[A]\nz=3\nX=4\n[c]\nq\n";
    const Case cases[] = {
        {"plain", "[a]\r\nk=v\r\n", "a", "k", "v"},
        {"missing file", nullopt, "a", "k", "DEF"},
        {"names ignore ASCII case", "[App]\nFreq=2\n", "aPP", "FREQ", "2"},
        {"non-ASCII letters match exactly", "[Über]\nk=1\n", "über", "k", "DEF"},
        {"blanks around names and values", "  [ a ]  \n \t k  =  v  w \t\n", "a", "k", "v  w"},
        {"double quotes removed", "[a]\nk=\"  v  \"\n", "a", "k", "  v  "},
        {"equals and semicolon in value", "[a]\nk=a=b ; c\n", "a", "k", "a=b ; c"},
        {"later duplicate section adds keys", "[a]\nx=1\n[b]\n[A]\nx=9\nz=3\n", "a", "z", "3"},
        {"first section's key wins", "[a]\nx=1\n[b]\n[A]\nx=9\nz=3\n", "a", "x", "1"},
        {"keys of every occurrence, once each", list, "a", nullopt, "x\0y\0z\0"sv},
        {"sections once each, in file order", list, nullopt, nullopt, "a\0b\0c\0"sv},
        {"no sections: empty, not the default", "; comment\n", nullopt, nullopt, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.file)
            store(*c.file);
        else
            std::filesystem::remove(path_);
        EXPECT_EQ(get(c.section, c.key), c.expected);
    }
    std::filesystem::remove(path_);
    EXPECT_EQ(get("a", "k", " x  "), " x");
}

TEST_F(ProfileFileTest, RefusesWhatTheLineFormatCannotHoldAndLeavesTheFileAlone) {
    const std::array<Opt, 3> cases[] = {
        {"a", "k", "one\ntwo"}, {"a", "k", "a\0b"sv}, {"a", "k\nx", "v"}, {"a]b", "k", "v"},
        {"a", "k=x", "v"},      {"a", "  ", "v"},     {nullopt, "k", "v"}};
    const std::string before = "; keep\n[a]\nk=old\n";
    store(before);
    for (const auto& [section, key, value] : cases)
        EXPECT_EQ(set(section, key, value), 0) << *value;
    EXPECT_EQ(WritePrivateProfileKeys("a", Keys{{"j", "v"}, {"bad=key", "v"}}, path_), 0);
    EXPECT_EQ(stored(), before);

    std::filesystem::remove(path_);
    EXPECT_EQ(set("a", "k", "x\ny"), 0);
    EXPECT_NE(set("a", "k", nullopt), 0);  // a removal succeeds without creating the file
    EXPECT_FALSE(std::filesystem::exists(path_));
}

TEST_F(ProfileFileTest, WritesAtTheEndCompleteTheLastLineHoweverItEnds) {
    const std::pair<std::string, std::string> endings[] = {
        {"\n", "\n"}, {"\r\n", "\r\n"}, {"\r", "\r\n"}, {"", "\r\n"}};
    const Keys c{{"k", "v"}}, d{{"k", "w"}}, cj{{"k", "v"}, {"j", "w"}};
    const NewSection sections[] = {{"c", c}, {"d", d}};
    const std::pair<std::function<bool()>, std::string> writes[] = {
        {[&] { return set("b", "k", "v") != 0; }, "k=v\r\n"},
        {[&] { return WritePrivateProfileKeys("c", cj, path_) != 0; }, "[c]\r\nk=v\r\nj=w\r\n"},
        {[&] { return AppendSections(sections, path_) == 0; }, "[c]\r\nk=v\r\n[d]\r\nk=w\r\n"},
    };
    const std::string head = "[a]\r\nx=1\r\n[b]\r\nlast=0";
    for (const auto& [ending, complete] : endings) {
        for (const auto& [write, added] : writes) {
            SCOPED_TRACE(testing::PrintToString(ending) + ", " + added);
            ClearProfileCache();
            store(head + ending);
            ASSERT_EQ(get("b", "last"), "0");  // warm the cache
            EXPECT_TRUE(write());
            EXPECT_EQ(stored(), head + complete + added);
            EXPECT_NE(set("b", "last", "1"), 0);
            for (bool cold : {false, true}) {
                if (cold)
                    ClearProfileCache();
                EXPECT_EQ(get("a", "x"), "1");
                EXPECT_EQ(get("b", "last"), "1");
                EXPECT_EQ(get(added.starts_with("[c]") ? "c" : "b", "k"), "v");
            }
        }
    }
}

std::string LongValue(char first, char last) {
    std::string v(5000, 'v');
    v.front() = first;
    v.back() = last;
    return v;
}

TEST_F(ProfileFileTest, EditsChangeOnlyTheLinesConcernedInPlaceWhereTheBytesAllow) {
    const std::string inbox = "[m1]\r\nread=0\r\n[m2]\r\nread=0\r\n";
    const std::string longA = "[a]\r\nk=" + LongValue('a', 'z') + "\r\n";
    const std::string b = LongValue('b', 'z'), y = LongValue('b', 'y');
    const struct {
        std::string before;
        Opt section, key, value;
        std::string after;
        int inPlace = -1;  // 1: the same inode afterwards, 0: another one, -1: either
    } cases[] = {
        {"[a]\nx=1\n\n; c\n[b]\n", "a", "z", "3", "[a]\nx=1\nz=3\r\n\n; c\n[b]\n"},
        {"[a]\nx=1", "b", "y", "2", "[a]\nx=1\r\n[b]\r\ny=2\r\n"},
        {"; c\n[App]\n  x = 1  \ny=2\n", "app", "X", "5", "; c\n[App]\nx=5\ny=2\n"},
        {"[a]\n[b]\n[A]\nz=3\n", "a", "z", "4", "[a]\n[b]\n[A]\nz=4\n"},
        {"[a]\nx=1\ny=2\n[a]\nX=3\n", "a", "x", nullopt, "[a]\ny=2\n[a]\n"},
        {"; c\n[a]\nx=1\n; in a\n[b]\n[A]\nz=3\n", "a", nullopt, nullopt, "; c\n[b]\n"},
        {inbox, "m2", "read", "1", "[m1]\r\nread=0\r\n[m2]\r\nread=1\r\n", 1},
        {longA, "a", "k", b, "[a]\r\nk=" + b + "\r\n", 1},  // inside one block
        {"[a]\r\nk=1\r\n", "a", "j", "2", "[a]\r\nk=1\r\nj=2\r\n", 1},
        {longA, "a", "k", y, "[a]\r\nk=" + y + "\r\n", 0},  // across a block boundary
        {inbox, "m1", "read", "10", "[m1]\r\nread=10\r\n[m2]\r\nread=0\r\n", 0},
        {"[a]\r\nk=abcdef\r\n", "a", "k", " ab ", "[a]\r\nk=\" ab \"\r\n", 0},
        {"[a]\r\nk=1\r\nK=2\r\n", "a", "k", "3", "[a]\r\nk=3\r\nK=2\r\n", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.after.substr(0, 20));
        ClearProfileCache();
        store(c.before);
        ASSERT_NE(get(c.section, c.key), c.value.value_or("DEF"));  // warm the cache
        const ino_t inode = statOf().st_ino;
        EXPECT_NE(set(c.section, c.key, c.value), 0);
        EXPECT_EQ(stored(), c.after);
        EXPECT_TRUE(c.inPlace < 0 || (statOf().st_ino == inode) == (c.inPlace == 1));
        for (bool cold : {false, true}) {
            if (cold)
                ClearProfileCache();
            EXPECT_EQ(get(c.section, c.key, ""), c.key ? c.value.value_or("") : "");
        }
    }
}

std::string LargeFile(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "[m" + std::to_string(i) + "]\r\nTitle=t" + std::to_string(i) + "\r\nRead=0\r\n";
        text += "Description=" + std::string(1000, static_cast<char>('a' + i % 26)) + "\r\n";
    }
    return text;
}

std::string BlankedRange(std::string text, size_t begin, size_t end) {
    for (size_t i = begin; i < end; ++i) {
        if (text[i] != '\n' && !(text[i] == '\r' && text[i + 1] == '\n'))
            text[i] = ' ';
    }
    return text;
}

TEST_F(ProfileFileTest, SectionsOfALargeFileAreBlankedInPlace) {
    std::string before = LargeFile(300);
    before.insert(before.find("[m100]"), "[M7]\r\nExtra=1\r\n");
    store(before);
    ASSERT_EQ(get("m5", "Read"), "0");  // warm the cache
    const ino_t inode = statOf().st_ino;

    EXPECT_NE(set("m5", nullopt, nullopt), 0);
    std::string want = BlankedRange(before, before.find("[m5]"), before.find("[m6]"));
    EXPECT_TRUE(stored() == want);

    EXPECT_NE(set("m5", "Read", "1"), 0);
    EXPECT_EQ(statOf().st_ino, inode);
    want += "[m5]\r\nRead=1\r\n";
    EXPECT_TRUE(stored() == want);

    EXPECT_NE(set("M7", nullopt, nullopt), 0);
    want.erase(want.find("[M7]"), want.find("[m100]") - want.find("[M7]"));
    want.erase(want.find("[m7]"), want.find("[m8]") - want.find("[m7]"));
    EXPECT_TRUE(stored() == want);
    EXPECT_NE(statOf().st_ino, inode);

    ClearProfileCache();
    EXPECT_EQ(get("m5", nullopt), "Read\0"sv);
    EXPECT_EQ(get("m7", "Title"), "DEF");
    EXPECT_NE(get(nullopt, nullopt).find("m4\0m6\0m8\0"sv), std::string::npos);
}

struct FileSizeLimit {
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old);
        struct rlimit lower = old;
        lower.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &old); }
    struct rlimit old {};
};

TEST_F(ProfileFileTest, FailedWritesLeaveTheOldFileAndNoTemporaryFile) {
    const std::string before = "[a]\r\nk=" + std::string(1500, 'o') + "\r\n";
    store(before);
    EXPECT_EQ(get("a", "k").size(), 1500u);
    {
        FileSizeLimit limit(1600);
        EXPECT_EQ(set("a", "k", std::string(2000, 'n')), 0);  // a rewrite
        EXPECT_EQ(set("b", "k", std::string(500, 'n')), 0);   // an append, cut back
    }
    EXPECT_EQ(stored(), before);
    using std::filesystem::directory_iterator;
    EXPECT_EQ(std::distance(directory_iterator(dir_.path()), directory_iterator()), 1);
    EXPECT_EQ(get("b", "k"), "DEF");
    EXPECT_NE(set("b", "k", "small"), 0);
    EXPECT_EQ(get("b", "k"), "small");
}

bool FolderLockedByOthers(const std::string& folder) {
    pid_t pid = ::fork();
    if (pid == 0) {
        int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::_exit(::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK ? 1 : 0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

TEST_F(ProfileFileTest, FolderLockNestsInOneProcessAndExcludesOthers) {
    {
        FileLock outer(path_);
        {
            FileLock inner(dir_.path() + "/./other.ini");
            EXPECT_TRUE(inner.locked());
            EXPECT_NE(set("a", "k", "v"), 0);
        }
        EXPECT_TRUE(FolderLockedByOthers(dir_.path()));
    }
    EXPECT_FALSE(FolderLockedByOthers(dir_.path()));

    // A folder moved away while locked: its successor at the path is locked afresh.
    const std::string folder = dir_.file("source");
    std::filesystem::create_directory(folder);
    FileLock held(folder + "/inbox.dat");
    std::filesystem::rename(folder, dir_.file("moved"));
    std::filesystem::create_directory(folder);
    FileLock again(folder + "/inbox.dat");
    EXPECT_TRUE(FolderLockedByOthers(folder));
    EXPECT_TRUE(FolderLockedByOthers(dir_.file("moved")));
}

TEST_F(ProfileFileTest, ConcurrentWritersLoseNoUpdate) {
    store("[mid]\r\n[tail]\r\n");
    constexpr int kWrites = 40;
    auto writeAll = [this](const char* section) {
        for (int i = 0; i < kWrites; ++i) {
            if (set(section, "k" + std::to_string(i), std::to_string(i)) == 0)
                return false;
        }
        return true;
    };
    ASSERT_NE(get("tail", "k0"), "0");  // warm the cache of this process only
    pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(writeAll("mid") ? 0 : 1);
    EXPECT_TRUE(writeAll("tail"));
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (const char* section : {"mid", "tail"}) {
        for (int i = 0; i < kWrites; ++i)
            EXPECT_EQ(get(section, "k" + std::to_string(i)), std::to_string(i)) << section << i;
    }
}

TEST(ProfileSweepTest, RefusesWhatCannotBeStoredAsItIs) {
    const std::vector<std::string> sections = {"a"};
    for (const auto& [key, value] :
         {Keys::value_type{"read", " 1"}, {"read", "\"1\""}, {"read", "1\n"}, {"a=b", "1"}})
        EXPECT_EQ(SetKeyInSections(sections, key, value, "/nonexistent/x.ini"), EINVAL) << value;
    EXPECT_EQ(SetKeyInSections({}, "read", "1", "/nonexistent/x.ini"), 0);
}

}  // namespace
}  // namespace vellorin::profile
