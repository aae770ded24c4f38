#pragma once

#include "base/screen_geometry.h"

namespace vellorin {

// Where the busy window of a check run goes. It is centred over the main window's frame
// (`mainWindow`), or over the work area while the main window is hidden (`mainWindow` empty),
// then moved right by half the width of the tree window (`optionsWidth`) so that the tree pane at
// the left of the main window stays in sight. The result keeps the window inside `workArea` (when
// the window is larger than the work area, its top left corner is the work area's). Gives the
// window's new frame: `busyWidth` by `busyHeight` at the chosen place.
ScreenRect BusyWindowPlacement(const ScreenRect& mainWindow, int optionsWidth, int busyWidth,
                               int busyHeight, const ScreenRect& workArea);

}  // namespace vellorin
