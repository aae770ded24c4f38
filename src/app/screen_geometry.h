#pragma once

namespace vellorin {

// A rectangle on the screen in pixels: left edge x, top edge y, width and height.
struct ScreenRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool empty() const { return width <= 0 || height <= 0; }
    bool operator==(const ScreenRect&) const = default;
};

// A point on the screen in pixels.
struct ScreenPoint {
    int x = 0;
    int y = 0;

    bool operator==(const ScreenPoint&) const = default;
};

}  // namespace vellorin
