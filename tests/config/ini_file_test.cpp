#include "config/ini_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "config/profile_file.h"
#include "support/temp_dir.h"

namespace vellorin {
namespace {

using test::TempDir;

// A window on a 1920 x 1080 pixel screen at 96 DPI (15 twips per pixel).
class FakeWindow : public FormWindow {
public:
    static constexpr long kTwips = 15;
    static constexpr long kScreenWidth = 1920 * kTwips;
    static constexpr long kScreenHeight = 1080 * kTwips;

    FormWindowState state = FormWindowState::Normal;
    long left = 0, top = 0, width = 6000, height = 4500;
    int moves = 0;
    bool failOnLeft = false;

    FormWindowState WindowState() const override { return state; }
    void SetWindowState(FormWindowState s) override { state = s; }
    long Left() const override {
        if (failOnLeft)
            throw std::runtime_error("no such property");
        return left;
    }
    long Top() const override { return top; }
    long Width() const override { return width; }
    long Height() const override { return height; }
    void Move(long l, long t, long w, long h) override {
        left = l;
        top = t;
        width = w;
        height = h;
        ++moves;
    }
    long ScreenWidth() const override { return kScreenWidth; }
    long ScreenHeight() const override { return kScreenHeight; }
    long TwipsPerPixelX() const override { return kTwips; }
    long TwipsPerPixelY() const override { return kTwips; }
};

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        profile::ClearProfileCache();
        ini_.Path(dir_.file("settings.cfg"));
    }
    std::string stored() const { return TempDir::read(ini_.Path()); }
    void store(std::string_view bytes) const { dir_.write("settings.cfg", bytes); }
    void put(const std::string& section, const std::string& key, std::string_view value) {
        cINI other;
        other.Path(ini_.Path());
        other.Section(section);
        other.Key(key);
        other.Value(value);
        ASSERT_TRUE(other.Success());
    }

    TempDir dir_;
    cINI ini_;
};

// ---------------------------------------------------------------- values and return codes

TEST_F(IniFileTest, ReadsGiveTheValueOrTheDefaultAndLeaveTheReturnCode) {
    ini_.Section("app");
    ini_.Key("freq");
    EXPECT_EQ(ini_.LastReturnCode(), 0);
    EXPECT_FALSE(ini_.Success());
    EXPECT_EQ(ini_.Value(), "");  // Default never set
    ini_.Default("FAIL");
    EXPECT_EQ(ini_.Value(), "FAIL");

    ini_.Value("2");
    EXPECT_TRUE(ini_.Success());
    EXPECT_EQ(ini_.Value(), "2");

    ini_.Key("bad=key");
    ini_.Value("x");
    EXPECT_FALSE(ini_.Success());
    EXPECT_EQ(ini_.Value(), "FAIL");
    EXPECT_EQ(ini_.LastReturnCode(), 0);  // the read did not touch it
}

TEST_F(IniFileTest, WritingRemovesEveryNul) {
    ini_.Section("s");
    ini_.Key("k");
    ini_.Value(std::string("a\0b\0\0c", 6));
    EXPECT_TRUE(ini_.Success());
    EXPECT_EQ(ini_.Value(), "abc");
}

TEST_F(IniFileTest, DeletesKeysAndSections) {
    store("[a]\r\nx=1\r\ny=2\r\n[b]\r\nz=3\r\n");
    ini_.Section("a");
    ini_.Key("x");
    ini_.DeleteKey();
    EXPECT_TRUE(ini_.Success());
    EXPECT_EQ(stored(), "[a]\r\ny=2\r\n[b]\r\nz=3\r\n");

    ini_.DeleteSection();
    EXPECT_TRUE(ini_.Success());
    EXPECT_EQ(stored(), "[b]\r\nz=3\r\n");

    // Writing a section text removes the section; the text is not stored.
    ini_.Section("b");
    ini_.INISection(std::string("k=v\0", 4));
    EXPECT_TRUE(ini_.Success());
    EXPECT_EQ(stored(), "");
}

// ---------------------------------------------------------------- lists

TEST_F(IniFileTest, SectionAndKeyListsAreNulSeparated) {
    store("[app]\r\nleft=1\r\ntop=2\r\n[plugin]\r\nff=0\r\n");
    ini_.Section("app");
    EXPECT_EQ(ini_.INISection(), std::string("left\0top\0", 9));
    EXPECT_EQ(ini_.Sections(), std::string("app\0plugin\0", 11));
}

TEST_F(IniFileTest, EnumerateAllSections) {
    std::vector<std::string> sections{"stale"};
    long count = 99;
    ini_.EnumerateAllSections(sections, count);  // missing file
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(sections.empty());

    ini_.Default("FAIL");  // a missing file yields Default, which holds no NUL
    ini_.EnumerateAllSections(sections, count);
    EXPECT_EQ(count, 0);

    store("; no sections\r\n");
    ini_.EnumerateAllSections(sections, count);
    EXPECT_EQ(count, 0);

    store("[]\r\nk=1\r\n[app]\r\n[plugin]\r\n[APP]\r\n");
    ini_.EnumerateAllSections(sections, count);
    ASSERT_EQ(count, 2);  // the nameless section's empty piece is skipped
    EXPECT_EQ(sections, (std::vector<std::string>{"app", "plugin"}));
}

TEST_F(IniFileTest, EnumerateCurrentSection) {
    store("[frm]\r\nleft=1\r\n; c\r\ntop=2\r\n[empty]\r\n");
    std::vector<std::string> keys{"stale"};
    long count = 0;
    ini_.Section("frm");
    ini_.EnumerateCurrentSection(keys, count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(keys, (std::vector<std::string>{"left", "top"}));

    ini_.Section("empty");
    ini_.Default("FAIL");
    ini_.EnumerateCurrentSection(keys, count);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(keys.empty());
}

TEST_F(IniFileTest, EnumerateKeysInSectionSplitsTheGivenText) {
    std::vector<std::string> keys;
    long count = 0;
    ini_.EnumerateKeysInSection(std::string("a\0\0b\0tail", 9), keys, count);
    EXPECT_EQ(count, 3);  // empty pieces kept, text after the last NUL dropped
    EXPECT_EQ(keys, (std::vector<std::string>{"a", "", "b"}));

    store("[frm]\r\nleft=1\r\n");
    ini_.EnumerateKeysInSection("frm", keys, count);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(keys.empty());
}

// ---------------------------------------------------------------- CLngDefault

TEST(CLngDefaultTest, ConvertsDecimalTextOrGivesTheDefault) {
    struct Case {
        const char* text;
        long def;
        long expected;
    };
    const Case cases[] = {
        {"FAIL", 120, 120},
        {"300", 120, 300},
        {"", 7, 7},
        {" 42 ", 0, 42},
        {"\t-42", 0, -42},
        {"007", 0, 7},
        {"2.5", 0, 2},
        {"3.5", 0, 4},
        {"-2.5", 0, -2},
        {"2.51", 0, 3},
        {"0.5", 9, 0},
        {".5", 9, 0},
        {"2147483647", 0, 2147483647},
        {"-2147483648", 0, -2147483647L - 1},
        {"2147483648", 1, 1},
        {"2147483647.5", 1, 1},  // rounds to 2147483648
        {"99999999999999999999999", 1, 1},
        {"1,000", 1, 1},
        {"1e3", 1, 1},
        {"12abc", 1, 1},
        {"- 5", 1, 1},
        {".", 1, 1},
        {"0x10", 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(cINI::CLngDefault(c.text, c.def), c.expected);
    }
    EXPECT_EQ(cINI::CLngDefault("oops"), 0);
}

// ---------------------------------------------------------------- window placement

class FormPositionTest : public IniFileTest {
protected:
    void SetUp() override {
        IniFileTest::SetUp();
        ini_.Section("frmMain");
        ini_.Key("current");
        ini_.Default("keep");
    }
    FakeWindow window_;
};

TEST_F(FormPositionTest, SavesANormalWindowsPlacementInTwips) {
    window_.left = 1500;
    window_.top = 900;
    window_.width = 9000;
    window_.height = 6000;
    ini_.SaveFormPosition(window_);
    EXPECT_TRUE(ini_.Success());
    EXPECT_EQ(ini_.Key(), "current");
    EXPECT_EQ(stored(),
              "[frmMain]\r\nMaximised=0\r\nLeft=1500\r\nTop=900\r\nWidth=9000\r\nHeight=6000\r\n");
}

TEST_F(FormPositionTest, MinimisedWritesNothingAndMaximisedOnlyTheState) {
    ini_.SaveFormPosition(window_);
    const std::string normal = stored();

    window_.state = FormWindowState::Minimized;
    window_.left = 3000;
    ini_.SaveFormPosition(window_);
    EXPECT_EQ(stored(), normal);

    window_.state = FormWindowState::Maximized;
    ini_.SaveFormPosition(window_);
    EXPECT_EQ(stored(),
              "[frmMain]\r\nMaximised=1\r\nLeft=0\r\nTop=0\r\nWidth=6000\r\nHeight=4500\r\n");
    EXPECT_EQ(ini_.Key(), "current");

    std::filesystem::remove(ini_.Path());
    window_.state = FormWindowState::Minimized;
    ini_.SaveFormPosition(window_);
    EXPECT_FALSE(std::filesystem::exists(ini_.Path()));
}

TEST_F(FormPositionTest, EmptySectionKeepsThePlacementInsideTheMargin) {
    window_.left = 0;
    window_.top = 3000;
    ini_.LoadFormPosition(window_);
    EXPECT_EQ(window_.moves, 1);
    EXPECT_EQ(window_.left, 4 * FakeWindow::kTwips);
    EXPECT_EQ(window_.top, 3000);
    EXPECT_EQ(window_.width, 6000);
    EXPECT_EQ(window_.height, 4500);
    EXPECT_EQ(window_.state, FormWindowState::Normal);
    EXPECT_EQ(ini_.Key(), "current");
    EXPECT_EQ(ini_.Default(), "keep");
}

TEST_F(FormPositionTest, FitsStoredPlacementsToTheScreen) {
    struct Case {
        const char* name;
        long left, top, width, height;  // stored
        long minWidth, minHeight;
        bool moved;
        long expLeft, expTop, expWidth, expHeight;
    };
    constexpr long m = 4 * FakeWindow::kTwips;
    constexpr long sw = FakeWindow::kScreenWidth, sh = FakeWindow::kScreenHeight;
    const Case cases[] = {
        {"inside the screen", 1500, 900, 9000, 6000, 0, 0, true, 1500, 900, 9000, 6000},
        {"past the right and bottom edges", 28000, 15000, 3000, 2000, 0, 0, true, sw - m - 3000,
         sh - m - 2000, 3000, 2000},
        {"wider and taller than the screen", 500, 500, 40000, 20000, 0, 0, true, m, m, sw - 2 * m,
         sh - 2 * m},
        {"too wide for the minimum after fitting", 500, 500, 40000, 2000, 30000, 0, false, 0, 0,
         6000, 4500},
        {"raised to the minimum size", 1500, 900, 100, 100, 2000, 1500, true, 1500, 900, 2000,
         1500},
        {"negative position", -5000, -10, 3000, 2000, 0, 0, true, m, m, 3000, 2000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        put("frmMain", "Left", std::to_string(c.left));
        put("frmMain", "Top", std::to_string(c.top));
        put("frmMain", "Width", std::to_string(c.width));
        put("frmMain", "Height", std::to_string(c.height));
        FakeWindow window;
        ini_.LoadFormPosition(window, c.minWidth, c.minHeight);
        EXPECT_EQ(window.moves, c.moved ? 1 : 0);
        EXPECT_EQ(window.left, c.expLeft);
        EXPECT_EQ(window.top, c.expTop);
        EXPECT_EQ(window.width, c.expWidth);
        EXPECT_EQ(window.height, c.expHeight);
    }
}

TEST_F(FormPositionTest, RestoresTheMaximisedState) {
    put("frmMain", "Maximised", "1");
    ini_.LoadFormPosition(window_);
    EXPECT_EQ(window_.state, FormWindowState::Maximized);

    FakeWindow other;
    put("frmMain", "Maximised", "0");
    ini_.LoadFormPosition(other);
    EXPECT_EQ(other.state, FormWindowState::Normal);
}

TEST_F(FormPositionTest, AFailingWindowLeavesCursorIntactAndReportsFailure) {
    put("frmMain", "Left", "100");
    ini_.Value("x");  // a successful write first
    ASSERT_TRUE(ini_.Success());
    window_.failOnLeft = true;
    ini_.LoadFormPosition(window_);
    EXPECT_FALSE(ini_.Success());
    EXPECT_EQ(ini_.Key(), "current");
    EXPECT_EQ(ini_.Default(), "keep");
    EXPECT_EQ(window_.moves, 0);

    ini_.Value("x");
    ASSERT_TRUE(ini_.Success());
    ini_.SaveFormPosition(window_);
    EXPECT_FALSE(ini_.Success());
    EXPECT_EQ(ini_.Key(), "current");
}

}  // namespace
}  // namespace vellorin
