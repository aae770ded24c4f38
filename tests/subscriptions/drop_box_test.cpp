#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "base/app_context.h"
#include "subscriptions/drop_box_drop.h"
#include "subscriptions/drop_box_geometry.h"
#include "subscriptions/drop_box_settings.h"
#include "support/recording_seam.h"
#include "support/temp_dir.h"

namespace vellorin {
namespace {

using test::TempDir;

class DropBoxSettingsTest : public ::testing::Test {
protected:
    DropBoxSettingsTest()
        : context_(
              AppOptions{.appFolder = app_.path(), .dataFolderOverride = "", .commandLine = ""},
              seam_, clock_),
          settings_(context_.settings) {}
    std::string settingsFile() const { return app_.file("settings.cfg"); }

    TempDir app_;
    test::RecordingSeam seam_;
    ManualClock clock_;
    AppContext context_;
    mSettings& settings_;
};

TEST_F(DropBoxSettingsTest, WithoutTheSectionTheTableDefaultsAndNoFile) {
    settings_.DropBoxLeft = settings_.DropBoxTop = 7;
    settings_.DropBoxTrans = settings_.DropBoxSize = 0;
    LoadDropBoxSettings(settings_);
    EXPECT_EQ(settings_.DropBoxLeft, 0);
    EXPECT_EQ(settings_.DropBoxTop, 0);
    EXPECT_EQ(settings_.DropBoxTrans, 1);
    EXPECT_EQ(settings_.DropBoxSize, 2);
    EXPECT_FALSE(std::filesystem::exists(settingsFile()));
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(DropBoxSettingsTest, ValuesThatAreNoNumberOrOutOfRangeTakeTheDefaults) {
    struct Case {
        const char* stored;  // the value of all four keys
        int left, top, trans, size;
    } cases[] = {
        {"", 0, 0, 1, 2},
        {"   ", 0, 0, 1, 2},
        {"abc", 0, 0, 1, 2},
        {"1x", 0, 0, 1, 2},
        {" 2 ", 2, 2, 2, 2},
        {"0", 0, 0, 0, 0},
        {"-150", -150, -150, 1, 2},
        {"3", 3, 3, 3, 2},
        {"4", 4, 4, 1, 2},
        {"32767", 32767, 32767, 1, 2},
        // Edges right of or above 32,767 twips (a wide desktop) are kept; levels and sizes that
        // far out choose nothing.
        {"40000", 40000, 40000, 1, 2},
        {"-32769", -32769, -32769, 1, 2},
        {"2147483647", 2147483647, 2147483647, 1, 2},
        {"2147483648", 0, 0, 1, 2},
        {"+-5", 0, 0, 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        const std::string v = c.stored;
        app_.write("settings.cfg", "[app]\r\nfreq=1\r\n[dropbox]\r\nleft=" + v + "\r\ntop=" + v +
                                       "\r\ntrans=" + v + "\r\nsize=" + v + "\r\n");
        LoadDropBoxSettings(settings_);
        EXPECT_EQ(settings_.DropBoxLeft, c.left);
        EXPECT_EQ(settings_.DropBoxTop, c.top);
        EXPECT_EQ(settings_.DropBoxTrans, c.trans);
        EXPECT_EQ(settings_.DropBoxSize, c.size);
    }
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(DropBoxSettingsTest, SavesTheFourKeysInOrderBesideTheOtherSections) {
    app_.write("settings.cfg", "[app]\r\nschedule=1\r\nfreq=2\r\n");
    settings_.DropBoxLeft = -150;
    settings_.DropBoxTop = 32767;
    settings_.DropBoxTrans = 3;
    settings_.DropBoxSize = 0;
    SaveDropBoxSettings(settings_);
    EXPECT_EQ(TempDir::read(settingsFile()),
              "[app]\r\nschedule=1\r\nfreq=2\r\n"
              "[dropbox]\r\nleft=-150\r\ntop=32767\r\ntrans=3\r\nsize=0\r\n");

    settings_.DropBoxLeft = settings_.DropBoxTop = 0;
    settings_.DropBoxTrans = settings_.DropBoxSize = 1;
    LoadDropBoxSettings(settings_);
    EXPECT_EQ(settings_.DropBoxLeft, -150);
    EXPECT_EQ(settings_.DropBoxTop, 32767);
    EXPECT_EQ(settings_.DropBoxTrans, 3);
    EXPECT_EQ(settings_.DropBoxSize, 0);

    // Saving again changes the values in place.
    settings_.DropBoxLeft = 38400;  // the right edge of a 2,560-pixel screen
    SaveDropBoxSettings(settings_);
    EXPECT_EQ(TempDir::read(settingsFile()),
              "[app]\r\nschedule=1\r\nfreq=2\r\n"
              "[dropbox]\r\nleft=38400\r\ntop=32767\r\ntrans=3\r\nsize=0\r\n");
    LoadDropBoxSettings(settings_);
    EXPECT_EQ(settings_.DropBoxLeft, 38400);
}

TEST(DropBoxGeometryTest, TheThreeSizesAreTheImageBoxPlusAHundredTwips) {
    struct Case {
        int index, image, box, window;
    } cases[] = {{0, 30, 510, 610},
                 {1, 40, 660, 760},
                 {2, 55, 885, 985},
                 {3, 55, 885, 985},
                 {-1, 55, 885, 985}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        const DropBoxSizeEntry size = DropBoxSizeFor(c.index);
        EXPECT_EQ(size.imagePixels, c.image);
        EXPECT_EQ(size.boxTwips, c.box);
        EXPECT_EQ(size.windowTwips, c.window);
        // The box is the image with 2 pixels all round at 15 twips per pixel.
        EXPECT_EQ(size.boxTwips, (size.imagePixels + 4) * 15);
    }
    EXPECT_EQ(TwipsPerPixel(96), 15.0);
    EXPECT_EQ(TwipsPerPixel(120), 12.0);
    EXPECT_EQ(TwipsPerPixel(0), 15.0);
    // 985 twips at 96 DPI: 65.67 pixels.
    EXPECT_EQ(TwipsToPixels(985, 15.0), 66);
    EXPECT_EQ(TwipsToPixels(-600, 15.0), -40);
}

TEST(DropBoxGeometryTest, AnyEdgeOfALargeDesktopIsStoredAsItIs) {
    struct Case {
        int pixels;
        double twipsPerPixel;
        std::int64_t stored;
    } cases[] = {
        {1920, 15.0, 28800},    // a second monitor on the right at 96 DPI
        {2400, 15.0, 36000},    // right of 2,184 pixels on a 2,560-pixel screen
        {2880, 12.0, 34560},    // at 120 DPI: not -30,976, nor cut to 32,767
        {-2880, 12.0, -34560},  // a monitor on the left
        {5120, 15.0, 76800},    // the third monitor of three
        {2184, 15.0, 32760},
        {-40, 15.0, -600},
        {1, 0.5, 0},  // halves to even
        {3, 0.5, 2},
        {0, 15.0, 0},
        {std::numeric_limits<int>::max(), 15.0, std::numeric_limits<std::int32_t>::max()},
        {std::numeric_limits<int>::min(), 15.0, std::numeric_limits<std::int32_t>::min()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pixels);
        EXPECT_EQ(EdgeToStoredTwips(c.pixels, c.twipsPerPixel), c.stored);
    }
}

TEST(DropBoxGeometryTest, AStoredPlaceOnNoScreenOpensAtThePrimaryScreensTopLeft) {
    const ScreenRect primary{0, 0, 1920, 1080};
    const ScreenRect right{1920, 0, 1920, 1080};
    const ScreenRect left{-1280, 100, 1280, 1024};
    const std::vector<ScreenRect> both{primary, right};
    const std::vector<ScreenRect> three{left, primary, right};
    const std::vector<ScreenRect> one{primary};
    const std::vector<ScreenRect> none;
    const std::vector<ScreenRect> wide{{0, 0, 2560, 1440}};
    const std::vector<ScreenRect> dual{{0, 0, 2560, 1440}, {2560, 0, 2560, 1440}};
    struct Case {
        const char* what;
        int leftTwips, topTwips;
        const std::vector<ScreenRect>& screens;
        ScreenPoint expected;
    } cases[] = {
        {"first opening", 0, 0, one, {0, 0}},
        {"on the primary screen", 1500, 3000, both, {100, 200}},
        {"on the right monitor", 28800, 150, both, {1920, 10}},
        {"right monitor unplugged", 28800, 150, one, {0, 0}},
        {"on the left monitor", -600, 3000, three, {-40, 200}},
        {"left monitor unplugged", -600, 3000, both, {0, 0}},
        {"above every screen", 1500, -3000, three, {0, 0}},
        {"centre past the right edge", 28500, 0, one, {0, 0}},
        {"no screen known", 28800, 150, none, {1920, 10}},
        {"right part of a wide screen", 36000, 150, wide, {2400, 10}},
        {"far right of a dual monitor", 64500, 150, dual, {4300, 10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DropBoxPlacement(c.leftTwips, c.topTwips, 15.0, 66, 66, c.screens, primary),
                  c.expected);
    }
    // The primary screen need not sit at the origin.
    const ScreenRect shifted{1280, 0, 1920, 1080};
    const std::vector<ScreenRect> shiftedOnly{shifted};
    EXPECT_EQ(DropBoxPlacement(0, 0, 15.0, 66, 66, shiftedOnly, shifted), (ScreenPoint{1280, 0}));
}

TEST(DropBoxDropTest, EachKindOfDropGetsItsBoxOrGivesTheLink) {
    const std::string noText = "Drag-n-Drop Vellorin Link ...";
    const std::string invalid = "Invalid Vellorin Source Link.";
    struct Case {
        const char* what;
        DroppedData data;
        std::optional<std::string> link;
        std::string box;  // caption, empty for none
    } cases[] = {
        {"nothing textual", {}, std::nullopt, noText},
        {"a file from the desktop",
         {"/home/user/report.pdf", {"file:///home/user/report.pdf"}},
         std::nullopt,
         noText},
        {"several files", {std::nullopt, {"file:///a.txt", "FILE:///b.txt"}}, std::nullopt, noText},
        {"a plain word", {"hello", {}}, std::nullopt, invalid},
        {"empty text", {"", {}}, std::nullopt, invalid},
        {"another site's link",
         {"https://example.org/feed", {"https://example.org/feed"}},
         std::nullopt,
         invalid},
        {"a link from a browser",
         {"https://www.vellorin.net/feeds/billing.xml",
          {"https://www.vellorin.net/feeds/billing.xml"}},
         "https://www.vellorin.net/feeds/billing.xml",
         ""},
        {"a link list only",
         {std::nullopt, {"http://WWW.Vellorin.NET/f?a=1%20b", "https://example.org/x"}},
         "http://WWW.Vellorin.NET/f?a=1%20b",
         ""},
        {"selected text with the link",
         {" see www.vellorin.net/x ", {}},
         " see www.vellorin.net/x ",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::RecordingSeam seam;
        EXPECT_EQ(ProcessDroppedData(seam, c.data), c.link);
        if (c.box.empty()) {
            EXPECT_TRUE(seam.boxes.empty());
            continue;
        }
        ASSERT_EQ(seam.boxes.size(), 1u);
        const MessageBoxRequest& box = seam.boxes[0];
        EXPECT_EQ(box.caption, c.box);
        if (c.box == noText) {
            EXPECT_EQ(box.text,
                      "Invalid link dropped! Please Drag any Vellorin URL to this DropBox and "
                      "Subscribe!");
            EXPECT_EQ(box.icon, MsgIcon::Information);
        } else {
            EXPECT_EQ(box.text,
                      "Invalid Vellorin Message Source Link. Please specify a correct Vellorin "
                      "Source Link in \"Source Link\" field.");
            EXPECT_EQ(box.icon, MsgIcon::Exclamation);
        }
    }
}

}  // namespace
}  // namespace vellorin
