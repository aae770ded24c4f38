#include <gtest/gtest.h>

#include <filesystem>

#include "config/settings.h"
#include "subscriptions/drop_box_drop.h"
#include "subscriptions/drop_box_geometry.h"
#include "subscriptions/drop_box_settings.h"
#include "view/message_tree_fixture.h"

namespace vellorin {
namespace {

using test::TempDir;

class DropBoxSettingsTest : public test::MessageTreeTest {
protected:
    using Place = std::array<int, 4>;  // left, top, transparency level, size
    Place place() const {
        return {settings_.DropBoxLeft, settings_.DropBoxTop, settings_.DropBoxTrans,
                settings_.DropBoxSize};
    }
    void set(const Place& p) {
        std::tie(settings_.DropBoxLeft, settings_.DropBoxTop, settings_.DropBoxTrans,
                 settings_.DropBoxSize) = std::tie(p[0], p[1], p[2], p[3]);
    }

    mSettings& settings_ = context_.settings;
};

TEST_F(DropBoxSettingsTest, ValuesThatAreNoNumberOrOutOfRangeTakeTheDefaults) {
    const struct {
        const char* stored;  // the value of all four keys; nullptr: no file
        Place place;
    } cases[] = {{nullptr, {0, 0, 1, 2}},
                 {"", {0, 0, 1, 2}},
                 {"abc", {0, 0, 1, 2}},
                 {"1x", {0, 0, 1, 2}},
                 {" 2 ", {2, 2, 2, 2}},
                 {"0", {0, 0, 0, 0}},
                 {"-150", {-150, -150, 1, 2}},
                 {"3", {3, 3, 3, 2}},
                 {"4", {4, 4, 1, 2}},
                 {"40000", {40000, 40000, 1, 2}},
                 {"2147483647", {2147483647, 2147483647, 1, 2}},
                 {"2147483648", {0, 0, 1, 2}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "(no file)");
        const std::string v = c.stored ? c.stored : "";
        if (c.stored)
            app_.write("settings.cfg", "[app]\r\nfreq=1\r\n[dropbox]\r\nleft=" + v + "\r\ntop=" +
                                           v + "\r\ntrans=" + v + "\r\nsize=" + v + "\r\n");
        set({7, 7, 0, 0});
        LoadDropBoxSettings(settings_);
        EXPECT_EQ(place(), c.place);
        EXPECT_EQ(std::filesystem::exists(app_.file("settings.cfg")), c.stored != nullptr);
    }
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(DropBoxSettingsTest, SavesTheFourKeysInOrderBesideTheOtherSections) {
    app_.write("settings.cfg", "[app]\r\nschedule=1\r\nfreq=2\r\n");
    for (const Place& saved : {Place{-150, 32767, 3, 0}, Place{38400, 32767, 3, 0}}) {
        set(saved);
        SaveDropBoxSettings(settings_);
        EXPECT_EQ(TempDir::read(app_.file("settings.cfg")),
                  "[app]\r\nschedule=1\r\nfreq=2\r\n[dropbox]\r\nleft=" + std::to_string(saved[0]) +
                      "\r\ntop=32767\r\ntrans=3\r\nsize=0\r\n");
        set({0, 0, 1, 1});
        LoadDropBoxSettings(settings_);
        EXPECT_EQ(place(), saved);
    }
}

TEST(DropBoxGeometryTest, TheThreeSizesAreTheImageBoxPlusAHundredTwips) {
    // index, image pixels, box and window twips: the box is the image with 2 pixels all round
    const int cases[][4] = {{0, 30, 510, 610},
                            {1, 40, 660, 760},
                            {2, 55, 885, 985},
                            {3, 55, 885, 985},
                            {-1, 55, 885, 985}};
    for (const auto& [index, image, box, window] : cases) {
        const DropBoxSizeEntry size = DropBoxSizeFor(index);
        EXPECT_EQ((std::array{size.imagePixels, size.boxTwips, size.windowTwips}),
                  (std::array{image, box, window}))
            << index;
    }
    EXPECT_EQ((std::array{TwipsPerPixel(96), TwipsPerPixel(120), TwipsPerPixel(0)}),
              (std::array{15.0, 12.0, 15.0}));
    EXPECT_EQ(TwipsToPixels(985, 15.0), 66);
    EXPECT_EQ(TwipsToPixels(-600, 15.0), -40);
}

TEST(DropBoxGeometryTest, AnyEdgeOfALargeDesktopIsStoredAsItIs) {
    const struct {
        int pixels;
        double twipsPerPixel;
        std::int64_t stored;
    } cases[] = {{2400, 15.0, 36000},
                 {-2880, 12.0, -34560},
                 {1, 0.5, 0},  // to even
                 {3, 0.5, 2},
                 {std::numeric_limits<int>::max(), 15.0, std::numeric_limits<std::int32_t>::max()},
                 {std::numeric_limits<int>::min(), 15.0, std::numeric_limits<std::int32_t>::min()}};
    for (const auto& c : cases) {
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
    const struct {
        const char* what;
        int leftTwips, topTwips;
        const std::vector<ScreenRect>& screens;
        ScreenPoint expected;
    } cases[] = {
        {"on the primary screen", 1500, 3000, both, {100, 200}},
        {"on the right monitor", 28800, 150, both, {1920, 10}},
        {"right monitor unplugged", 28800, 150, one, {0, 0}},
        {"left monitor unplugged", -600, 3000, both, {0, 0}},
        {"above every screen", 1500, -3000, three, {0, 0}},
        {"centre past the right edge", 28500, 0, one, {0, 0}},
        {"no screen known", 28800, 150, none, {1920, 10}},
    };
    for (const auto& c : cases) {
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
    const auto drop = [](const DroppedData& data, const std::optional<std::string>& link,
                         const std::vector<std::string>& boxes) {
        SCOPED_TRACE(data.plainText.value_or("(no text)"));
        test::RecordingSeam seam;
        EXPECT_EQ(ProcessDroppedData(seam, data), link);
        EXPECT_EQ(seam.captions(), boxes);
    };
    const std::vector<std::string> noText{"Drag-n-Drop Vellorin Link ..."};
    drop({}, std::nullopt, noText);
    drop({"/home/user/report.pdf", {"file:///home/user/report.pdf"}}, std::nullopt, noText);
    drop({std::nullopt, {"file:///a.txt", "FILE:///b.txt"}}, std::nullopt, noText);
    drop({"https://example.org/feed", {"https://example.org/feed"}}, std::nullopt,
         {"Invalid Vellorin Source Link."});
    const std::string billing = "https://www.vellorin.net/feeds/billing.xml";
    drop({billing, {billing}}, billing, {});
    drop({std::nullopt, {"http://WWW.Vellorin.NET/f?a=1%20b", "https://example.org/x"}},
         "http://WWW.Vellorin.NET/f?a=1%20b", {});
}

}  // namespace
}  // namespace vellorin
