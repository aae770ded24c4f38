#include "notify/tray_menu_placement.h"

#include <algorithm>

namespace vellorin {
namespace {

enum class Edge { Top, Bottom, Left, Right };

// Keeps [value, value + size) inside [low, low + span) when it fits; otherwise starts at low.
int ClampSpan(int value, int size, int low, int span) {
    return std::max(low, std::min(value, low + span - size));
}

Edge NearestEdge(const ScreenRect& anchor, const ScreenRect& screen) {
    const int top = anchor.y - screen.y;
    const int bottom = screen.y + screen.height - (anchor.y + anchor.height);
    const int left = anchor.x - screen.x;
    const int right = screen.x + screen.width - (anchor.x + anchor.width);
    const int vertical = std::min(top, bottom);
    if (vertical <= std::min(left, right))
        return top <= bottom ? Edge::Top : Edge::Bottom;
    return left <= right ? Edge::Left : Edge::Right;
}

}  // namespace

ScreenPoint TrayMenuPosition(const ScreenRect& anchor, int menuWidth, int menuHeight,
                             const ScreenRect& screen, const ScreenRect& givenWorkArea) {
    // A desktop that reports no work area leaves the whole screen to the menu.
    const ScreenRect& workArea =
        givenWorkArea.width > 0 && givenWorkArea.height > 0 ? givenWorkArea : screen;
    ScreenPoint p;
    switch (NearestEdge(anchor, screen)) {
        case Edge::Top:
            p = {anchor.x, std::max(anchor.y + anchor.height, workArea.y)};
            break;
        case Edge::Bottom:
            p = {anchor.x,
                 std::min(anchor.y - menuHeight, workArea.y + workArea.height - menuHeight)};
            break;
        case Edge::Left:
            p = {std::max(anchor.x + anchor.width, workArea.x), anchor.y};
            break;
        case Edge::Right:
            p = {std::min(anchor.x - menuWidth, workArea.x + workArea.width - menuWidth), anchor.y};
            break;
    }
    // Along the side: inside the work area where the menu fits there, then inside the screen.
    p.x = ClampSpan(p.x, menuWidth, workArea.x, workArea.width);
    p.y = ClampSpan(p.y, menuHeight, workArea.y, workArea.height);
    p.x = ClampSpan(p.x, menuWidth, screen.x, screen.width);
    p.y = ClampSpan(p.y, menuHeight, screen.y, screen.height);
    return p;
}

}  // namespace vellorin
