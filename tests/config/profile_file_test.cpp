#include "config/profile_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "util/file_lock.h"

namespace vellorin::profile {
namespace {

using std::nullopt;
using test::TempDir;
using Opt = std::optional<std::string_view>;

constexpr std::string_view kDefault = "DEF";

class ProfileFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearProfileCache();
        path_ = dir_.file("test.ini");
    }

    std::string get(Opt section, Opt key, std::string_view def = kDefault) const {
        return GetPrivateProfileString(section, key, def, path_);
    }
    long set(Opt section, Opt key, Opt value) const {
        return WritePrivateProfileString(section, key, value, path_);
    }
    std::string stored() const { return TempDir::read(path_); }
    void store(std::string_view bytes) const { dir_.write("test.ini", bytes); }
    struct stat statOf() const {
        struct stat st {};
        EXPECT_EQ(::stat(path_.c_str(), &st), 0);
        return st;
    }
    std::vector<std::string> folderEntries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir_.path())) {
            names.push_back(e.path().filename().string());
        }
        return names;
    }

    TempDir dir_;
    std::string path_;
};

// ---------------------------------------------------------------- reading hand-written files

struct ReadCase {
    const char* name;
    std::string_view file;
    std::string_view section;
    std::string_view key;
    std::string_view expected;
};

TEST_F(ProfileFileTest, ReadsHandWrittenFilesByThePrivateProfileRules) {
    const ReadCase cases[] = {
        {"plain", "[a]\r\nk=v\r\n", "a", "k", "v"},
        {"absent key", "[a]\r\nk=v\r\n", "a", "x", "DEF"},
        {"absent section", "[a]\r\nk=v\r\n", "b", "k", "DEF"},
        {"names ignore ASCII case", "[App]\nFreq=2\n", "aPP", "FREQ", "2"},
        {"non-ASCII letters match exactly",
         "[\xC3\x9C"
         "ber]\nk=1\n",
         "\xC3\xBC"
         "ber",
         "k", "DEF"},
        {"non-ASCII name",
         "[\xC3\x9C"
         "ber]\nk=1\n",
         "\xC3\x9C"
         "ber",
         "k", "1"},
        {"blanks around names and values", "  [ a ]  \n \t k  =  v  w \t\n", "a", "k", "v  w"},
        {"blanks around requested names", "[a]\nk=v\n", " a ", "\tk ", "v"},
        {"inner blanks in key name", "[a]\nmy key = v\n", "a", "my key", "v"},
        {"double quotes removed", "[a]\nk=\"  v  \"\n", "a", "k", "  v  "},
        {"single quotes removed", "[a]\nk= 'x' \n", "a", "k", "x"},
        {"mismatched quotes kept", "[a]\nk=\"x'\n", "a", "k", "\"x'"},
        {"one quote kept", "[a]\nk=\"\n", "a", "k", "\""},
        {"inner quotes kept", "[a]\nk=a\"b\"\n", "a", "k", "a\"b\""},
        {"empty value is not absent", "[a]\nk=\n", "a", "k", ""},
        {"equals sign in value", "[a]\nk=a=b\n", "a", "k", "a=b"},
        {"semicolon in value", "[a]\nk=v ; more\n", "a", "k", "v ; more"},
        {"comment line", "[a]\n;k=v\n", "a", "k", "DEF"},
        {"indented comment line", "[a]\n  ;k=v\n", "a", "k", "DEF"},
        {"line without equals is harmless", "[a]\njunk line\nk=v\n", "a", "k", "v"},
        {"line without equals is no key", "[a]\njunk\n", "a", "junk", "DEF"},
        {"key above every section", "k=v\n[a]\n", "a", "k", "DEF"},
        {"unclosed header does not start a section", "[a]\n[b\nk=v\n", "a", "k", "v"},
        {"comment after header", "[a] ; note\nk=v\n", "a", "k", "v"},
        {"LF endings, no final line break", "[a]\nx=1\nk=v", "a", "k", "v"},
        {"CR LF ending not in value", "[a]\r\nk=v \r\n", "a", "k", "v"},
        {"first of duplicate keys", "[a]\nk=1\nK=2\n", "a", "k", "1"},
        {"later duplicate section adds keys", "[a]\nx=1\n[b]\ny=2\n[A]\nz=3\n", "a", "z", "3"},
        {"first section's key wins", "[a]\nx=1\n[b]\n[a]\nx=9\n", "a", "x", "1"},
        {"keys stay in their section", "[a]\nx=1\n[b]\ny=2\n", "a", "y", "DEF"},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        store(c.file);
        EXPECT_EQ(get(c.section, c.key), c.expected);
    }
}

TEST_F(ProfileFileTest, MissingFileGivesTheDefaultWithTrailingSpacesRemoved) {
    EXPECT_EQ(get("a", "k"), "DEF");
    EXPECT_EQ(get("a", nullopt), "DEF");
    EXPECT_EQ(get(nullopt, nullopt), "DEF");
    EXPECT_EQ(get("a", "k", " x  "), " x");
    EXPECT_EQ(get("a", "k", ""), "");
    EXPECT_FALSE(std::filesystem::exists(path_));
}

struct ListCase {
    const char* name;
    std::string_view file;
    Opt section;
    std::string_view expected;
};

TEST_F(ProfileFileTest, ListsNamesEachEndedByNul) {
    using namespace std::string_view_literals;
    const std::string_view file = "; c\n[a]\nx=1\ny=2\n[b]\n[A]\nz=3\nX=4\n[c]\nq\n"sv;
    const ListCase cases[] = {
        {"keys of all occurrences, each once", file, "a", "x\0y\0z\0"sv},
        {"section without keys gives the default", file, "b", "DEF"},
        {"line without equals is not listed", file, "c", "DEF"},
        {"absent section gives the default", file, "nope", "DEF"},
        {"sections once each, in file order", file, nullopt, "a\0b\0c\0"sv},
        {"no sections: empty, not the default", "; only a comment\n", nullopt, ""},
        {"nameless section listed as empty name", "[]\nk=1\n[a]\n", nullopt, "\0a\0"sv},
        {"duplicate key listed once", "[a]\nk=1\nK=2\nj=3\n", "a", "k\0j\0"sv},
    };
    for (const ListCase& c : cases) {
        SCOPED_TRACE(c.name);
        store(c.file);
        EXPECT_EQ(get(c.section, nullopt), c.expected);
    }
}

// ---------------------------------------------------------------- writing

TEST_F(ProfileFileTest, WritesSectionsInTheOrderFirstWrittenWithCrLf) {
    EXPECT_NE(set("app", "schedule", "1"), 0);
    EXPECT_NE(set("app", "freq", "1"), 0);
    EXPECT_NE(set("app", "winstartup", "1"), 0);
    EXPECT_NE(set("plugin", "ff", "1"), 0);
    EXPECT_NE(set("plugin", "ie", "0"), 0);
    const std::string expected =
        "[app]\r\nschedule=1\r\nfreq=1\r\nwinstartup=1\r\n[plugin]\r\nff=1\r\nie=0\r\n";
    EXPECT_EQ(stored(), expected);

    // Writing the same values again leaves the file alone, not even replacing it.
    ino_t inode = statOf().st_ino;
    EXPECT_NE(set("APP", "Freq", "1"), 0);
    EXPECT_EQ(statOf().st_ino, inode);
    EXPECT_EQ(stored(), expected);

    EXPECT_NE(set("app", "freq", "2"), 0);
    EXPECT_EQ(stored(),
              "[app]\r\nschedule=1\r\nfreq=2\r\nwinstartup=1\r\n[plugin]\r\nff=1\r\nie=0\r\n");
    EXPECT_EQ(get("app", "freq"), "2");
}

struct EditCase {
    const char* name;
    std::string_view before;
    Opt section;
    Opt key;
    Opt value;
    std::string_view after;
};

TEST_F(ProfileFileTest, EditsChangeOnlyTheLinesConcerned) {
    const EditCase cases[] = {
        {"new key after the section's last key, before blank and comment lines",
         "[a]\nx=1\n\n; note\n[b]\ny=2\n", "a", "z", "3", "[a]\nx=1\nz=3\r\n\n; note\n[b]\ny=2\n"},
        {"new key in a section without keys", "[a]\n[b]\n", "a", "k", "v", "[a]\nk=v\r\n[b]\n"},
        {"new key when the last line has no line break", "[a]\nx=1", "a", "y", "2",
         "[a]\nx=1\r\ny=2\r\n"},
        {"new section when the last line has no line break", "[a]\nx=1", "b", "y", "2",
         "[a]\nx=1\r\n[b]\r\ny=2\r\n"},
        {"new section adds no blank line", "[a]\nx=1\n\n", "b", "y", "2",
         "[a]\nx=1\n\n[b]\r\ny=2\r\n"},
        {"new section in an empty file", "", "s", "k", "v", "[s]\r\nk=v\r\n"},
        {"replaced value keeps the other lines", "; top\n[a]\n  x = 1  \ny=2\n", "a", "x", "5",
         "; top\n[a]\nx=5\ny=2\n"},
        {"replaced value keeps the stored spelling", "[App]\nFreq=1\n", "app", "FREQ", "2",
         "[App]\nFreq=2\n"},
        {"replaced in a later duplicate section", "[a]\nx=1\n[b]\n[A]\nz=3\n", "a", "z", "4",
         "[a]\nx=1\n[b]\n[A]\nz=4\n"},
        {"new key goes to the first occurrence", "[a]\nx=1\n[b]\n[a]\nz=3\n", "a", "n", "1",
         "[a]\nx=1\nn=1\r\n[b]\n[a]\nz=3\n"},
        {"value with outer blanks is quoted", "[a]\n", "a", "k", " v ", "[a]\nk=\" v \"\r\n"},
        {"quoted value is quoted again", "[a]\n", "a", "k", "\"v\"", "[a]\nk=\"\"v\"\"\r\n"},
        {"names are trimmed", "", " s ", " k ", "v", "[s]\r\nk=v\r\n"},
        {"delete key removes every line of it", "[a]\nx=1\ny=2\n[a]\nX=3\n", "a", "x", nullopt,
         "[a]\ny=2\n[a]\n"},
        {"delete the last key line without line break", "[a]\ny=2\nx=1", "a", "x", nullopt,
         "[a]\ny=2\n"},
        {"delete absent key changes nothing", "[a]\ny=2\n", "a", "x", nullopt, "[a]\ny=2\n"},
        {"delete section removes every occurrence with its lines",
         "; c\n[a]\nx=1\n; in a\n[b]\ny=2\n[A]\nz=3\n", "a", nullopt, nullopt, "; c\n[b]\ny=2\n"},
        {"no key with a value removes the section too", "[a]\nx=1\n[b]\n", "a", nullopt, "text",
         "[b]\n"},
        {"delete absent section changes nothing", "[a]\n", "b", nullopt, nullopt, "[a]\n"},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.name);
        ClearProfileCache();
        store(c.before);
        EXPECT_NE(set(c.section, c.key, c.value), 0);
        EXPECT_EQ(stored(), c.after);
    }
}

TEST_F(ProfileFileTest, StoredValuesReadBackAsWritten) {
    const std::string_view values[] = {
        "",
        " lead",
        "trail ",
        "\tboth\t",
        "\"q\"",
        "'q'",
        "\"",
        "'",
        "a\"b",
        "\"a'",
        "x=y",
        ";x",
        "[x]",
        "Gr\xC3\xBC\xC3\x9F"
        "e",
        "  \" odd",
        "a\x01\x7f"
        "b",
    };
    store("[a]\r\nfirst=1\r\n[b]\r\nlast=2\r\n");
    for (std::string_view v : values) {
        SCOPED_TRACE(std::string(v));
        EXPECT_NE(set("a", "k", v), 0);
        EXPECT_EQ(get("a", "k"), v);
        ClearProfileCache();
        EXPECT_EQ(get("a", "k"), v);
    }
    EXPECT_EQ(get("a", "first"), "1");
    EXPECT_EQ(get("b", "last"), "2");
}

struct RefusedCase {
    const char* name;
    Opt section;
    Opt key;
    Opt value;
};

TEST_F(ProfileFileTest, RefusesWhatTheLineFormatCannotHoldAndLeavesTheFileAlone) {
    using namespace std::string_view_literals;
    const RefusedCase cases[] = {
        {"line feed in value", "a", "k", "one\ntwo"},
        {"carriage return in value", "a", "k", "one\rtwo"},
        {"NUL in value", "a", "k", "a\0b"sv},
        {"line break in key", "a", "k\nx", "v"},
        {"line break in section", "a\nb", "k", "v"},
        {"bracket in section", "a]b", "k", "v"},
        {"equals in key", "a", "k=x", "v"},
        {"key starting with bracket", "a", "[k", "v"},
        {"key starting with semicolon", "a", ";k", "v"},
        {"empty key", "a", "", "v"},
        {"blank key", "a", "  ", "v"},
        {"empty section", "", "k", "v"},
        {"no section", nullopt, "k", "v"},
    };
    const std::string before = "; keep\n[a]\nk=old\n";
    store(before);
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(set(c.section, c.key, c.value), 0);
        EXPECT_EQ(stored(), before);
    }
    EXPECT_EQ(get("a", "k"), "old");

    std::filesystem::remove(path_);
    EXPECT_EQ(set("a", "k", "x\ny"), 0);
    EXPECT_FALSE(std::filesystem::exists(path_));
}

TEST_F(ProfileFileTest, DeletesOnAMissingFileSucceedWithoutCreatingItButWritesFail) {
    EXPECT_NE(set("a", "k", nullopt), 0);
    EXPECT_NE(set("a", nullopt, nullopt), 0);
    EXPECT_FALSE(std::filesystem::exists(path_));
    std::string inMissing = dir_.file("no/such/folder/x.ini");
    EXPECT_EQ(WritePrivateProfileString("a", "k", "v", inMissing), 0);
    EXPECT_EQ(GetPrivateProfileString("a", "k", "DEF", inMissing), "DEF");
}

TEST_F(ProfileFileTest, LongValuesAreNeverCutShort) {
    std::string big(5 * 1024 * 1024, 'x');
    for (size_t i = 0; i < big.size(); i += 997)
        big[i] = static_cast<char>('a' + i % 26);
    big.back() = 'Z';
    EXPECT_NE(set("a", "before", "1"), 0);
    EXPECT_NE(set("a", "big", big), 0);
    EXPECT_NE(set("a", "after", "2"), 0);
    EXPECT_EQ(get("a", "big"), big);
    ClearProfileCache();
    EXPECT_EQ(get("a", "big"), big);
    EXPECT_EQ(get("a", "after"), "2");
    EXPECT_EQ(get("a", nullopt), std::string("before\0big\0after\0", 17));
}

TEST_F(ProfileFileTest, SeveralKeysAtOnceWriteWhatSingleWritesWould) {
    using Keys = std::vector<std::pair<std::string_view, std::string_view>>;
    const Keys keys = {{"title", " spaced "}, {"read", "0"}, {" date ", "Mon"}};
    for (const std::string before : {"", "[a]\r\nx=1", "[a]\r\nx=1\r\n[M]\r\nread=1\r\nz=2\r\n"}) {
        SCOPED_TRACE(before);
        const std::string other = dir_.file("single.ini");
        dir_.write("single.ini", before);
        for (const auto& [key, value] : keys)
            ASSERT_NE(WritePrivateProfileString("m", key, value, other), 0);
        ClearProfileCache();
        if (before.empty())
            std::filesystem::remove(path_);
        else
            store(before);
        EXPECT_NE(WritePrivateProfileKeys("m", keys, path_), 0);
        EXPECT_EQ(stored(), TempDir::read(other));
        EXPECT_EQ(get("m", "title"), " spaced ");
        EXPECT_EQ(StoredSectionName(" m ", path_), before.find("[M]") != std::string::npos
                                                       ? std::optional<std::string>("M")
                                                       : std::optional<std::string>("m"));
    }
    const std::string untouched = stored();
    EXPECT_EQ(WritePrivateProfileKeys("m", Keys{{"k", "v"}, {"bad=key", "v"}}, path_), 0);
    EXPECT_EQ(WritePrivateProfileKeys("m", Keys{{"k", "line\nbreak"}}, path_), 0);
    EXPECT_EQ(stored(), untouched);
    EXPECT_EQ(StoredSectionName("absent", path_), std::nullopt);
    EXPECT_EQ(StoredSectionName("m", dir_.file("missing.ini")), std::nullopt);
}

// ---------------------------------------------------------------- the cache sees every change

TEST_F(ProfileFileTest, SeesAFileReplacedWithTheSameSizeAndTime) {
    store("[a]\nk=1\n");
    EXPECT_EQ(get("a", "k"), "1");
    struct stat old = statOf();

    // Another writer replaces the file by rename: same size, modification time set back.
    std::string temp = dir_.write("other.tmp", "[a]\nk=2\n");
    struct timespec times[2] = {old.st_atim, old.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, temp.c_str(), times, 0), 0);
    ASSERT_EQ(::rename(temp.c_str(), path_.c_str()), 0);
    ASSERT_EQ(statOf().st_size, old.st_size);
    EXPECT_EQ(get("a", "k"), "2");
}

TEST_F(ProfileFileTest, SeesAppendsAndRemovalByOthers) {
    store("[a]\r\nk=1\r\n");
    EXPECT_EQ(get("a", "k"), "1");
    {
        std::ofstream out(path_, std::ios::binary | std::ios::app);
        out << "j=2\r\n";
    }
    EXPECT_EQ(get("a", "j"), "2");

    // Our own append next sees the other writer's line and keeps it.
    EXPECT_NE(set("a", "m", "3"), 0);
    EXPECT_EQ(stored(), "[a]\r\nk=1\r\nj=2\r\nm=3\r\n");
    {
        std::ofstream out(path_, std::ios::binary | std::ios::app);
        out << "[b]\r\nn=4\r\n";
    }
    EXPECT_NE(set("b", "o", "5"), 0);
    EXPECT_EQ(get("b", "n"), "4");
    EXPECT_EQ(get("b", "o"), "5");
    EXPECT_EQ(get(nullopt, nullopt), std::string("a\0b\0", 4));

    std::filesystem::remove(path_);
    EXPECT_EQ(get("a", "k"), "DEF");
}

TEST_F(ProfileFileTest, AppendedKeysAndSectionsReadBackFromTheUpdatedCopy) {
    store("[old]\r\nx=1\r\n");
    EXPECT_EQ(get("old", "x"), "1");
    for (int i = 0; i < 6; ++i) {
        std::string key = "k" + std::to_string(i);
        EXPECT_NE(set("new", key, std::to_string(i * 10)), 0);
        EXPECT_EQ(get("new", key), std::to_string(i * 10));
    }
    EXPECT_NE(set("Old", "x", "2"), 0);  // a rewrite after appends
    EXPECT_EQ(stored(),
              "[old]\r\nx=2\r\n[new]\r\nk0=0\r\nk1=10\r\nk2=20\r\nk3=30\r\nk4=40\r\nk5=50\r\n");
    ClearProfileCache();
    EXPECT_EQ(get("new", nullopt), std::string("k0\0k1\0k2\0k3\0k4\0k5\0", 18));
}

TEST_F(ProfileFileTest, ManyFilesInTurnEachReadCorrectly) {
    std::vector<std::string> paths;
    for (int i = 0; i < 12; ++i) {
        paths.push_back(dir_.file("f" + std::to_string(i) + ".ini"));
        ASSERT_NE(WritePrivateProfileString("s", "k", std::to_string(i), paths.back()), 0);
    }
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 12; ++i) {
            EXPECT_EQ(GetPrivateProfileString("s", "k", "", paths[i]), std::to_string(i));
        }
    }
}

// ---------------------------------------------------------------- values changed in place

struct InPlaceCase {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    std::string value;
    std::string after;  // what the rewrite of the key's line gives
    bool inPlace;       // the same file (inode) afterwards
};

std::string LongValueAcrossABlock(char first, char last) {
    // "[a]\r\nk=" is 7 bytes; the value runs from offset 7 across offset 4096.
    std::string v(5000, 'v');
    v.front() = first;
    v.back() = last;
    return v;
}

TEST_F(ProfileFileTest, SameLengthValuesChangeInPlaceWithTheBytesOfARewrite) {
    const std::string inbox = "[m1]\r\nread=0\r\nflag=x\r\n[m2]\r\nread=0\r\n";
    const InPlaceCase cases[] = {
        {"flag of a later section", inbox, "m2", "read", "1",
         "[m1]\r\nread=0\r\nflag=x\r\n[m2]\r\nread=1\r\n", true},
        {"names in another letter case", "[App]\r\nFreq=12\r\n", "app", "FREQ", "21",
         "[App]\r\nFreq=21\r\n", true},
        {"line feeds only", "[a]\nk=1\nj=2\n", "a", "k", "3", "[a]\nk=3\nj=2\n", true},
        {"last line without line break", "[a]\r\nk=1", "a", "k", "2", "[a]\r\nk=2", true},
        {"quoted stays quoted", "[a]\r\nk=\" a\"\r\n", "a", "k", " b", "[a]\r\nk=\" b\"\r\n", true},
        {"value in quotes stays so", "[a]\r\nk=\"\"a\"\"\r\n", "a", "k", "\"b\"",
         "[a]\r\nk=\"\"b\"\"\r\n", true},
        {"one byte inside a long value", "[a]\r\nk=" + LongValueAcrossABlock('a', 'z') + "\r\n",
         "a", "k", LongValueAcrossABlock('b', 'z'),
         "[a]\r\nk=" + LongValueAcrossABlock('b', 'z') + "\r\n", true},
        {"bytes on both sides of a block boundary",
         "[a]\r\nk=" + LongValueAcrossABlock('a', 'z') + "\r\n", "a", "k",
         LongValueAcrossABlock('b', 'y'), "[a]\r\nk=" + LongValueAcrossABlock('b', 'y') + "\r\n",
         false},
        {"longer value", inbox, "m1", "read", "10",
         "[m1]\r\nread=10\r\nflag=x\r\n[m2]\r\nread=0\r\n", false},
        {"now needs quotes", "[a]\r\nk=abcdef\r\n", "a", "k", " ab ", "[a]\r\nk=\" ab \"\r\n",
         false},
        {"no longer needs quotes", "[a]\r\nk=\" a \"\r\n", "a", "k", "abcde", "[a]\r\nk=abcde\r\n",
         false},
        {"single quotes become none", "[a]\r\nk='ab'\r\n", "a", "k", "wxyz", "[a]\r\nk=wxyz\r\n",
         false},
        {"blanks before the name", "[a]\r\n  k=12\r\n", "a", "k", "4567", "[a]\r\nk=4567\r\n",
         false},
        {"blank after the value", "[a]\r\nk=1 \r\n", "a", "k", "22", "[a]\r\nk=22\r\n", false},
        {"key with a second line", "[a]\r\nk=1\r\nK=2\r\n", "a", "k", "3", "[a]\r\nk=3\r\nK=2\r\n",
         false},
        {"key again in a later occurrence", "[a]\r\nk=1\r\n[b]\r\n[A]\r\nk=2\r\n", "a", "k", "3",
         "[a]\r\nk=3\r\n[b]\r\n[A]\r\nk=2\r\n", false},
    };
    for (const InPlaceCase& c : cases) {
        SCOPED_TRACE(c.name);
        ClearProfileCache();
        store(c.before);
        ASSERT_TRUE(get(c.section, c.key) != c.value);  // warm the cache
        const ino_t inode = statOf().st_ino;
        EXPECT_NE(set(c.section, c.key, c.value), 0);
        EXPECT_EQ(stored(), c.after);
        EXPECT_EQ(statOf().st_ino == inode, c.inPlace);
        EXPECT_EQ(get(c.section, c.key), c.value);
        ClearProfileCache();
        EXPECT_EQ(get(c.section, c.key), c.value);
    }
}

TEST_F(ProfileFileTest, InPlaceChangesFollowEachOtherAndRewrites) {
    store("[a]\r\nk=0\r\nj=aa\r\n[b]\r\nx=1\r\n");
    const ino_t inode = statOf().st_ino;
    for (int i = 1; i <= 5; ++i) {
        EXPECT_NE(set("a", "k", std::to_string(i)), 0);
        EXPECT_NE(set("b", "x", std::to_string(9 - i)), 0);
        EXPECT_EQ(get("a", "k"), std::to_string(i));
        EXPECT_EQ(get("b", "x"), std::to_string(9 - i));
    }
    EXPECT_EQ(statOf().st_ino, inode);
    EXPECT_NE(set("a", "j", "bbb"), 0);  // a rewrite, kept as the cached copy
    EXPECT_NE(set("a", "k", "7"), 0);
    EXPECT_EQ(get("a", "j"), "bbb");
    const std::string want = "[a]\r\nk=7\r\nj=bbb\r\n[b]\r\nx=4\r\n";
    EXPECT_EQ(stored(), want);
    ClearProfileCache();
    EXPECT_EQ(get(nullopt, nullopt), std::string("a\0b\0", 4));
    EXPECT_EQ(get("a", "k"), "7");
}

// Overwrites bytes of the file in place as a program without the lock would, and sets the
// modification time back, so that only the change time tells.
void ChangeInPlaceBehindOurBack(const std::string& path, std::string_view text) {
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, text.data(), text.size(), 0), static_cast<ssize_t>(text.size()));
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    ASSERT_EQ(::futimens(fd, times), 0);
    ::close(fd);
}

TEST_F(ProfileFileTest, AFileChangedSinceOurReadIsReadAgainBeforeAnInPlaceChange) {
    // Another writer swaps the lines: a stale offset would write into the wrong line.
    store("[a]\r\nk=1\r\nj=5\r\n");
    EXPECT_EQ(get("a", "j"), "5");
    ChangeInPlaceBehindOurBack(path_, "[a]\r\nj=6\r\nk=1\r\n");
    EXPECT_NE(set("a", "k", "2"), 0);
    EXPECT_EQ(stored(), "[a]\r\nj=6\r\nk=2\r\n");
    EXPECT_EQ(get("a", "j"), "6");

    // Replaced by rename with the same size and time after our own change in place.
    const struct stat old = statOf();
    std::string temp = dir_.write("other.tmp", "[a]\r\nk=2\r\nj=7\r\n");
    struct timespec times[2] = {old.st_atim, old.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, temp.c_str(), times, 0), 0);
    ASSERT_EQ(::rename(temp.c_str(), path_.c_str()), 0);
    EXPECT_NE(set("a", "k", "3"), 0);
    EXPECT_EQ(stored(), "[a]\r\nk=3\r\nj=7\r\n");
    EXPECT_EQ(get("a", "j"), "7");
}

// ---------------------------------------------------------------- sections removed in place

// An inbox-like file of `count` sections of about 1 KiB each, larger than the size from which
// sections are blanked in place instead of rewritten.
std::string LargeFile(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "[m" + std::to_string(i) + "]\r\nTitle=t" + std::to_string(i) + "\r\nRead=0\r\n";
        text += "Description=" + std::string(1000, static_cast<char>('a' + i % 26)) + "\r\n";
    }
    return text;
}

// The bytes of [begin, end) of `text` with everything but the line breaks made blanks.
std::string BlankedRange(std::string text, size_t begin, size_t end) {
    for (size_t i = begin; i < end; ++i) {
        if (text[i] != '\n' && !(text[i] == '\r' && text[i + 1] == '\n'))
            text[i] = ' ';
    }
    return text;
}

std::string WithoutBlankLines(const std::string& text) {
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string_view line(text.data() + pos, end - pos);
        if (line.find_first_not_of(" \t\r\n") != std::string_view::npos)
            out.append(line);
        pos = end;
    }
    return out;
}

TEST_F(ProfileFileTest, SectionsOfALargeFileAreBlankedInPlace) {
    const std::string before = LargeFile(300);
    store(before);
    ASSERT_EQ(get("m5", "Read"), "0");  // warm the cache
    const ino_t inode = statOf().st_ino;

    const size_t begin = before.find("[m7]");
    const size_t end = before.find("[m8]");
    EXPECT_NE(set("M7", nullopt, nullopt), 0);
    EXPECT_EQ(statOf().st_ino, inode);
    EXPECT_TRUE(stored() == BlankedRange(before, begin, end));

    // Readers see exactly the file a rewrite would give, from our copy and from a fresh parse.
    for (bool fresh : {false, true}) {
        SCOPED_TRACE(fresh ? "fresh parse" : "cached copy");
        if (fresh)
            ClearProfileCache();
        EXPECT_EQ(get("m7", "Title"), "DEF");
        EXPECT_EQ(get("m7", nullopt), "DEF");
        EXPECT_EQ(get("m6", "Title"), "t6");
        EXPECT_EQ(get("m8", "Title"), "t8");
        const std::string names = get(nullopt, nullopt);
        EXPECT_EQ(names.find(std::string("m7\0", 3)), std::string::npos);
        EXPECT_NE(names.find(std::string("m6\0m8\0", 6)), std::string::npos);
    }

    // In-place changes after the blank lines still land on the right bytes, and the section can
    // come back (at the end of the file) without any of its old keys.
    ClearProfileCache();
    ASSERT_EQ(get("m9", "Read"), "0");
    EXPECT_NE(set("m9", nullopt, nullopt), 0);
    EXPECT_NE(set("m10", "Read", "1"), 0);
    EXPECT_NE(set("m7", "Read", "1"), 0);
    EXPECT_EQ(statOf().st_ino, inode);
    EXPECT_EQ(get("m10", "Read"), "1");
    EXPECT_EQ(get("m11", "Read"), "0");
    EXPECT_EQ(get("m7", nullopt), std::string("Read\0", 5));
    std::string want = before;
    const std::string unread = "[m10]\r\nTitle=t10\r\nRead=0";
    want.replace(want.find(unread), unread.size(), "[m10]\r\nTitle=t10\r\nRead=1");
    want = WithoutBlankLines(
        BlankedRange(BlankedRange(want, begin, end), before.find("[m9]"), before.find("[m10]")));
    EXPECT_TRUE(WithoutBlankLines(stored()) == want + "[m7]\r\nRead=1\r\n");
}

TEST_F(ProfileFileTest, BlankedSectionsEveryOccurrenceAndLinesAboveTheNextHeader) {
    std::string before = LargeFile(300);
    before.insert(before.find("[m3]"), "; a comment\r\njunk line\r\n\r\n");
    before += "[M2]\r\nExtra=1\r\nlast line without a line break";
    store(before);
    EXPECT_NE(set("m2", nullopt, nullopt), 0);
    std::string want = BlankedRange(before, before.find("[M2]"), before.size());
    want = BlankedRange(want, want.find("[m2]"), want.find("[m3]"));
    EXPECT_TRUE(stored() == want);
    ClearProfileCache();
    EXPECT_EQ(get("m2", "Extra"), "DEF");
    EXPECT_EQ(get("m1", "Extra"), "DEF");
    EXPECT_EQ(get("m299", nullopt), std::string("Title\0Read\0Description\0", 23));
}

TEST_F(ProfileFileTest, AFileHalfBlankIsCompactedByARewrite) {
    const std::string before = LargeFile(300);
    store(before);
    int removed = 0;
    while (statOf().st_size == static_cast<off_t>(before.size())) {
        ASSERT_LT(removed, 300);
        EXPECT_NE(set("m" + std::to_string(removed++), nullopt, nullopt), 0);
    }
    // Compacted once half the file was blank, into just the remaining sections.
    EXPECT_GT(removed, 100);
    EXPECT_LT(removed, 200);
    EXPECT_TRUE(stored() == before.substr(before.find("[m" + std::to_string(removed) + "]")));
    EXPECT_EQ(get("m" + std::to_string(removed), "Title"), "t" + std::to_string(removed));
}

TEST_F(ProfileFileTest, ALargeFileChangedSinceOurReadLosesTheRightSection) {
    // Another writer swaps two sections of equal length: a stale offset would blank the wrong one.
    std::string before = LargeFile(300);
    store(before);
    ASSERT_EQ(get("m1", "Title"), "t1");
    const size_t m1 = before.find("[m1]");
    const size_t m2 = before.find("[m2]");
    const size_t m3 = before.find("[m3]");
    std::string swapped = before;
    std::string first = before.substr(m1, m2 - m1);
    std::string second = before.substr(m2, m3 - m2);
    std::swap(first[2], second[2]);
    std::swap(first[13], second[13]);
    swapped.replace(m1, first.size(), first);
    swapped.replace(m2, second.size(), second);
    ChangeInPlaceBehindOurBack(path_, swapped);
    EXPECT_NE(set("m1", nullopt, nullopt), 0);
    EXPECT_EQ(get("m1", "Title"), "DEF");
    EXPECT_EQ(get("m2", "Title"), "t2");
    EXPECT_TRUE(stored() == BlankedRange(swapped, m2, m3));
}

// ---------------------------------------------------------------- failures leave the old file

// Lowers the process's file size limit for one scope; writes past it fail with EFBIG, even as
// root.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit lower = old_;
        lower.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    struct rlimit old_ {};
    void (*oldHandler_)(int) = nullptr;
};

TEST_F(ProfileFileTest, FailedRewriteLeavesTheOldFileAndNoTemporaryFile) {
    std::string before = "[a]\r\nk=" + std::string(3000, 'o') + "\r\n[b]\r\nj=1\r\n";
    store(before);
    EXPECT_EQ(get("a", "k").size(), 3000u);
    {
        FileSizeLimit limit(2000);
        EXPECT_EQ(set("a", "k", std::string(3500, 'n')), 0);
    }
    EXPECT_EQ(stored(), before);
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"test.ini"});
    EXPECT_EQ(get("a", "k"), std::string(3000, 'o'));
}

TEST_F(ProfileFileTest, FailedAppendIsCutBackToTheOldLength) {
    std::string before = "[a]\r\nk=" + std::string(1500, 'o') + "\r\n";
    store(before);
    EXPECT_EQ(get("a", "k").size(), 1500u);
    {
        FileSizeLimit limit(1600);
        EXPECT_EQ(set("b", "k", std::string(500, 'n')), 0);
        EXPECT_EQ(set("a", "j", std::string(500, 'n')), 0);
    }
    EXPECT_EQ(stored(), before);
    EXPECT_EQ(get("b", "k"), "DEF");
    EXPECT_NE(set("b", "k", "small"), 0);
    EXPECT_EQ(get("b", "k"), "small");
}

TEST_F(ProfileFileTest, WriteInAReadOnlyFolderFailsAndKeepsTheFile) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";
    const std::string before = "[a]\nx=1\n[b]\n";
    store(before);
    ASSERT_EQ(::chmod(dir_.path().c_str(), 0555), 0);
    long rewrite = set("a", "y", "2");
    ASSERT_EQ(::chmod(dir_.path().c_str(), 0755), 0);
    EXPECT_EQ(rewrite, 0);
    EXPECT_EQ(stored(), before);
}

// ---------------------------------------------------------------- the folder lock

// Runs `child` in a forked process and returns its exit status.
template <typename F>
int RunInChild(F child) {
    pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(child());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool FolderLockedByOthers(const std::string& folder) {
    return RunInChild([&] {
               int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
               return ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK ? 1 : 0;
           }) == 1;
}

TEST_F(ProfileFileTest, FolderLockNestsInOneProcessAndExcludesOthers) {
    EXPECT_FALSE(FolderLockedByOthers(dir_.path()));
    {
        FileLock outer(path_);
        EXPECT_TRUE(outer.locked());
        {
            // Another spelling of the same folder does not wait for the outer lock.
            FileLock inner(dir_.path() + "/./other.ini");
            EXPECT_TRUE(inner.locked());
            EXPECT_NE(set("a", "k", "v"), 0);
        }
        EXPECT_TRUE(FolderLockedByOthers(dir_.path()));
    }
    EXPECT_FALSE(FolderLockedByOthers(dir_.path()));
    EXPECT_FALSE(FileLock(dir_.file("missing/x.ini")).locked());
}

TEST_F(ProfileFileTest, ConcurrentWritersLoseNoUpdate) {
    store("[mid]\r\n[tail]\r\n");
    constexpr int kWrites = 40;
    // One process adds keys in the middle (rewrites), one at the end (appends in place).
    auto writer = [&](const char* section) {
        return [this, section] {
            ClearProfileCache();
            for (int i = 0; i < kWrites; ++i) {
                if (set(section, "k" + std::to_string(i), std::to_string(i)) == 0)
                    return 1;
            }
            return 0;
        };
    };
    std::vector<pid_t> pids;
    for (const char* section : {"mid", "tail"}) {
        pid_t pid = ::fork();
        if (pid == 0)
            ::_exit(writer(section)());
        pids.push_back(pid);
    }
    for (pid_t pid : pids) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (const char* section : {"mid", "tail"}) {
        for (int i = 0; i < kWrites; ++i) {
            EXPECT_EQ(get(section, "k" + std::to_string(i)), std::to_string(i)) << section << i;
        }
    }
}

TEST_F(ProfileFileTest, AnotherProcessesInPlaceChangeIsSeenAtOnce) {
    // Changes in place within one tick of the file clock must still give the file a new
    // identity, or the copy cached here would hide the other process's change. (Kernels that
    // hand out fine-grained times after a stat cannot show the fault; coarse clocks can.)
    store("[a]\r\nk=0\r\nj=0\r\n");
    for (int i = 0; i < 20; ++i) {
        const std::string mine = std::to_string(i % 10);
        const std::string theirs = std::to_string((i + 5) % 10);
        ASSERT_NE(set("a", "k", mine), 0);
        ASSERT_EQ(RunInChild([&] { return set("a", "j", theirs) != 0 ? 0 : 1; }), 0);
        EXPECT_EQ(get("a", "j"), theirs) << i;
        EXPECT_EQ(get("a", "k"), mine) << i;
    }
}

}  // namespace
}  // namespace vellorin::profile
