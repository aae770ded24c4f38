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

// Windows store their places and sizes in twips (1/1440 inch); the screen works in pixels.

// Twips per pixel on a screen of `logicalDpi` dots per inch (15 at 96); 15 when the DPI is not
// positive.
double TwipsPerPixel(double logicalDpi);

// A length in twips as whole pixels, rounded to the nearest (halves to even).
int TwipsToPixels(int twips, double twipsPerPixel);

}  // namespace vellorin
