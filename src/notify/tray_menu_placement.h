#pragma once

#include "base/screen_geometry.h"

namespace vellorin {

// Where the tray menu's top-left corner goes so that the menu lies beside `anchor` and never over
// it: `anchor` is the tray icon (or, when its place is unknown, a small square around the
// pointer). The menu opens away from the screen edge nearest to the anchor (below an icon in a
// panel at the top, above one at the bottom, right of a panel on the left, left of one on the
// right; top and bottom win ties), then slides along that side to stay inside `workArea` (the
// screen without its panels) and finally inside `screen`. A pointer released or pressed again on
// the icon is then never over an item. A menu larger than the space left may still cover part of
// the anchor.
ScreenPoint TrayMenuPosition(const ScreenRect& anchor, int menuWidth, int menuHeight,
                             const ScreenRect& screen, const ScreenRect& workArea);

}  // namespace vellorin
