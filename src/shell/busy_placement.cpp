#include "shell/busy_placement.h"

#include <algorithm>

namespace vellorin {
namespace {

// `start` moved so that [start, start + size) lies within [low, low + room) where it fits; the
// low edge wins when it does not.
int KeepWithin(int start, int size, int low, int room) {
    return std::max(low, std::min(start, low + room - size));
}

}  // namespace

ScreenRect BusyWindowPlacement(const ScreenRect& mainWindow, int optionsWidth, int busyWidth,
                               int busyHeight, const ScreenRect& workArea) {
    const ScreenRect& over = mainWindow.empty() ? workArea : mainWindow;
    int left = over.x + (over.width - busyWidth) / 2 + std::max(optionsWidth, 0) / 2;
    int top = over.y + (over.height - busyHeight) / 2;
    if (!workArea.empty()) {
        left = KeepWithin(left, busyWidth, workArea.x, workArea.width);
        top = KeepWithin(top, busyHeight, workArea.y, workArea.height);
    }
    return ScreenRect{left, top, busyWidth, busyHeight};
}

}  // namespace vellorin
