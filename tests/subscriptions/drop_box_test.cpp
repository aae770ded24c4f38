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
    // the value of all four keys (nullptr: no file), the place read
    const std::pair<const char*, Place> cases[] = {
        {nullptr, {0, 0, 1, 2}},      {"", {0, 0, 1, 2}},
        {"abc", {0, 0, 1, 2}},        {"1x", {0, 0, 1, 2}},
        {" 2 ", {2, 2, 2, 2}},        {"0", {0, 0, 0, 0}},
        {"-150", {-150, -150, 1, 2}}, {"3", {3, 3, 3, 2}},
        {"4", {4, 4, 1, 2}},          {"2147483647", {2147483647, 2147483647, 1, 2}},
        {"2147483648", {0, 0, 1, 2}}};
    for (const auto& [stored, expected] : cases) {
        const std::string v = stored ? stored : "";
        if (stored)
            app_.write("settings.cfg", "[app]\r\nfreq=1\r\n[dropbox]\r\nleft=" + v + "\r\ntop=" +
                                           v + "\r\ntrans=" + v + "\r\nsize=" + v + "\r\n");
        set({7, 7, 0, 0});
        LoadDropBoxSettings(settings_);
        EXPECT_EQ(place(), expected) << v;
        EXPECT_EQ(std::filesystem::exists(app_.file("settings.cfg")), stored != nullptr);
    }
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

TEST(DropBoxGeometryTest, SizesTwipsAndStoredEdges) {
    // index, image pixels, box and window twips: the box is the image with 2 pixels all round
    const int sizes[][4] = {{0, 30, 510, 610},
                            {1, 40, 660, 760},
                            {2, 55, 885, 985},
                            {3, 55, 885, 985},
                            {-1, 55, 885, 985}};
    for (const auto& [index, image, box, window] : sizes) {
        const DropBoxSizeEntry size = DropBoxSizeFor(index);
        EXPECT_EQ((std::array{size.imagePixels, size.boxTwips, size.windowTwips}),
                  (std::array{image, box, window}))
            << index;
    }
    EXPECT_EQ((std::array{TwipsPerPixel(96), TwipsPerPixel(120), TwipsPerPixel(0)}),
              (std::array{15.0, 12.0, 15.0}));
    EXPECT_EQ(TwipsToPixels(985, 15.0), 66);
    EXPECT_EQ(TwipsToPixels(-600, 15.0), -40);
    // Any edge of a large desktop is stored as it is; halves go to even.
    constexpr int kMax = std::numeric_limits<int>::max(), kMin = std::numeric_limits<int>::min();
    const std::tuple<int, double, std::int64_t> edges[] = {
        {2400, 15.0, 36000}, {-2880, 12.0, -34560}, {1, 0.5, 0},
        {3, 0.5, 2},         {kMax, 15.0, kMax},    {kMin, 15.0, kMin}};
    for (const auto& [pixels, twipsPerPixel, stored] : edges)
        EXPECT_EQ(EdgeToStoredTwips(pixels, twipsPerPixel), stored) << pixels;
}

TEST(DropBoxGeometryTest, AStoredPlaceOnNoScreenOpensAtThePrimaryScreensTopLeft) {
    const ScreenRect primary{0, 0, 1920, 1080}, right{1920, 0, 1920, 1080},
        left{-1280, 100, 1280, 1024}, shifted{1280, 0, 1920, 1080};
    const std::vector<ScreenRect> both{primary, right}, three{left, primary, right}, one{primary},
        none, shiftedOnly{shifted};
    // left and top in twips, the screens, the primary one, where the box opens
    const std::tuple<int, int, const std::vector<ScreenRect>&, ScreenRect, ScreenPoint> cases[] = {
        {1500, 3000, both, primary, {100, 200}},
        {28800, 150, both, primary, {1920, 10}},   // on the right monitor
        {28800, 150, one, primary, {0, 0}},        // ... unplugged
        {-600, 3000, both, primary, {0, 0}},       // the left one unplugged
        {1500, -3000, three, primary, {0, 0}},     // above every screen
        {28500, 0, one, primary, {0, 0}},          // its centre past the right edge
        {28800, 150, none, primary, {1920, 10}},   // no screen known
        {0, 0, shiftedOnly, shifted, {1280, 0}}};  // the primary screen away from the origin
    for (const auto& [leftTwips, topTwips, screens, main, expected] : cases)
        EXPECT_EQ(DropBoxPlacement(leftTwips, topTwips, 15.0, 66, 66, screens, main), expected)
            << leftTwips;
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
