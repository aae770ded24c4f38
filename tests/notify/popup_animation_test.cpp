#include "notify/popup_animation.h"

#include <gtest/gtest.h>

namespace vellorin {
namespace {

using Step = PopupAnimation::Step;

TEST(PopupAnimationTest, MovesInStepsOfAHundredTwipsOnTheWorkAreasBottomRightCorner) {
    const int cases[][3] = {
        {2280, 23, 2300}, {2175, 22, 2200}, {2300, 23, 2300}, {0, 0, 0}, {1, 1, 100}};
    for (const auto& [full, steps, final] : cases) {
        PopupAnimation a(full);
        int moved = 0;
        while (a.tick() == Step::Moved)
            ++moved;
        EXPECT_EQ(moved, steps) << full;
        EXPECT_EQ(a.height(), final) << full;
    }
    PopupAnimation b(2280);  // closed while still opening: turns at the current height
    b.tick();
    b.tick();
    b.close();
    EXPECT_EQ(b.tick(), Step::Moved);
    EXPECT_EQ(b.height(), 100);
    EXPECT_EQ(b.tick(), Step::Closed);
    EXPECT_EQ(PlacePopup({0, 0, 1280, 770}, 15, 15, 5535, 2300), (PopupPosition{13590, 9250}));
    EXPECT_EQ(PlacePopup({1280, 0, 1920, 1080}, 12, 12, 5535, 1000),
              (PopupPosition{3200 * 12 - 5535 - 75, 1080 * 12 - 1000}));
}

}  // namespace
}  // namespace vellorin
