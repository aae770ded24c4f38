#include "store/ini_file.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <tuple>

#include "store/profile_file.h"
#include "support/temp_dir.h"

namespace vellorin {
namespace {

TEST(CLngDefaultTest, ConvertsDecimalTextOrGivesTheDefault) {
    const std::tuple<const char*, long, long> cases[] = {
        {"FAIL", 120, 120},   {"300", 120, 300},
        {"", 7, 7},           {" \t-42 ", 0, -42},
        {"2.5", 0, 2},        {"3.5", 0, 4},
        {".5", 9, 0},         {"-2147483648", 0, INT32_MIN},
        {"2147483648", 1, 1}, {"2147483647.5", 1, 1},
        {"1,000", 1, 1},      {"12abc", 1, 1}};
    for (const auto& [text, def, expected] : cases)
        EXPECT_EQ(cINI::CLngDefault(text, def), expected) << text;
}

class FakeWindow : public FormWindow {
public:
    static constexpr long kTwips = 15;
    FormWindowState state = FormWindowState::Normal;
    std::array<long, 4> placement = {0, 0, 6000, 4500};  // left, top, width, height

    FormWindowState WindowState() const override { return state; }
    void SetWindowState(FormWindowState s) override { state = s; }
    long Left() const override { return placement[0]; }
    long Top() const override { return placement[1]; }
    long Width() const override { return placement[2]; }
    long Height() const override { return placement[3]; }
    void Move(long l, long t, long w, long h) override { placement = {l, t, w, h}; }
    long ScreenWidth() const override { return 1920 * kTwips; }
    long ScreenHeight() const override { return 1080 * kTwips; }
    long TwipsPerPixelX() const override { return kTwips; }
    long TwipsPerPixelY() const override { return kTwips; }
};

class FormPositionTest : public ::testing::Test {
protected:
    void SetUp() override {
        profile::ClearProfileCache();
        ini_.Path(dir_.file("settings.cfg"));
        ini_.Section("frmMain");
    }

    test::TempDir dir_;
    cINI ini_;
};

TEST_F(FormPositionTest, SavesTheStateAndANormalWindowsPlacementInTwips) {
    FakeWindow minimised;
    minimised.state = FormWindowState::Minimized;
    ini_.SaveFormPosition(minimised);
    EXPECT_EQ(test::TempDir::read(ini_.Path()), "");

    FakeWindow window;
    window.placement = {1500, 900, 6000, 4500};
    ini_.SaveFormPosition(window);
    window.state = FormWindowState::Maximized;
    window.placement[0] = 3000;
    ini_.SaveFormPosition(window);
    EXPECT_EQ(test::TempDir::read(ini_.Path()),
              "[frmMain]\r\nMaximised=1\r\nLeft=1500\r\nTop=900\r\nWidth=6000\r\nHeight=4500\r\n");

    FakeWindow restored;
    ini_.LoadFormPosition(restored);
    EXPECT_EQ(restored.state, FormWindowState::Maximized);
}

TEST_F(FormPositionTest, FitsStoredPlacementsToTheScreen) {
    constexpr long m = 4 * FakeWindow::kTwips;  // the margin kept from the screen's edges
    constexpr long r = 1920 * FakeWindow::kTwips - m, b = 1080 * FakeWindow::kTwips - m;
    const struct {
        std::array<long, 4> stored;
        long minWidth, minHeight;
        std::array<long, 4> expected;
    } cases[] = {
        {{28000, 15000, 3000, 2000}, 0, 0, {r - 3000, b - 2000, 3000, 2000}},
        {{500, 500, 40000, 20000}, 0, 0, {m, m, r - m, b - m}},
        {{500, 500, 40000, 2000}, 30000, 0, {0, 0, 6000, 4500}},  // too wide once fitted
        {{1500, 900, 100, 100}, 2000, 1500, {1500, 900, 2000, 1500}},
        {{-5000, -10, 3000, 2000}, 0, 0, {m, m, 3000, 2000}},
    };
    const char* const keys[] = {"Left", "Top", "Width", "Height"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored[0]);
        std::string text = "[frmMain]\r\n";
        for (int i = 0; i < 4; ++i)
            text += std::string(keys[i]) + "=" + std::to_string(c.stored[i]) + "\r\n";
        dir_.write("settings.cfg", text);
        FakeWindow window;
        ini_.LoadFormPosition(window, c.minWidth, c.minHeight);
        EXPECT_EQ(window.placement, c.expected);
        EXPECT_EQ(window.state, FormWindowState::Normal);
    }
}

}  // namespace
}  // namespace vellorin
