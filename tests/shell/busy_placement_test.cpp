#include "shell/busy_placement.h"

#include <gtest/gtest.h>

namespace vellorin {
namespace {

struct PlacementCase {
    const char* name;
    ScreenRect mainWindow;
    int optionsWidth;
    ScreenRect expected;
};

TEST(BusyWindowPlacementTest, CentresOverTheMainWindowShiftedClearOfTheTreeAndStaysOnScreen) {
    const ScreenRect workArea{0, 30, 1280, 770};
    const PlacementCase cases[] = {
        // Centre of the main window (100 + (800 - 300) / 2 = 350) plus half the tree's 240.
        {"shown", {100, 100, 800, 600}, 240, {470, 300, 300, 200}},
        // Hidden in the tray: centred on the work area, shifted all the same.
        {"hidden", {}, 240, {610, 315, 300, 200}},
        // Near the right edge the shift would push it off: it stops at the edge.
        {"right edge", {900, 100, 600, 400}, 400, {980, 200, 300, 200}},
        // Partly above and left of the screen: pulled back inside.
        {"off the top left", {-900, -500, 800, 600}, 0, {0, 30, 300, 200}},
        // A negative tree width does not move it left.
        {"bad tree width", {100, 100, 800, 600}, -240, {350, 300, 300, 200}},
    };
    for (const PlacementCase& c : cases)
        EXPECT_EQ(BusyWindowPlacement(c.mainWindow, c.optionsWidth, 300, 200, workArea), c.expected)
            << c.name;
}

TEST(BusyWindowPlacementTest, AWindowLargerThanTheWorkAreaKeepsItsTopLeftCornerInside) {
    const ScreenRect workArea{10, 20, 200, 100};
    EXPECT_EQ(BusyWindowPlacement({}, 0, 300, 200, workArea), (ScreenRect{10, 20, 300, 200}));
    // No work area known: only the centring and the shift.
    EXPECT_EQ(BusyWindowPlacement({0, 0, 400, 400}, 100, 100, 100, {}),
              (ScreenRect{200, 150, 100, 100}));
}

}  // namespace
}  // namespace vellorin
