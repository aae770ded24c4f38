#pragma once

#include <cstdint>
#include <span>

#include "base/screen_geometry.h"

namespace vellorin {

// The drop box's measures, in twips; the screen's pixels are converted with the primary screen's
// twips per pixel (TwipsPerPixel in app/screen_geometry.h).

// One of the three sizes: the picture's side in pixels, the side of its box (the picture with 2
// pixels all round, at 15 twips per pixel) and of the window (the box plus 100 twips), in twips.
struct DropBoxSizeEntry {
    int imagePixels = 0;
    int boxTwips = 0;
    int windowTwips = 0;
};

// Size index 0 Small (30 px), 1 Normal (40 px), 2 Large (55 px); any other index gives Large, the
// default size.
DropBoxSizeEntry DropBoxSizeFor(int sizeIndex);

// A window edge at `pixels` as the twips value that is stored: the product rounded to the nearest
// integer (halves to even). Any place on a desktop fits (a 2,560-pixel screen at 96 DPI ends at
// 38,400 twips); only a product beyond the 32-bit range is clamped to its end.
std::int32_t EdgeToStoredTwips(int pixels, double twipsPerPixel);

// Where the drop box opens: its stored edges (twips) as pixels, as long as the window of
// `width` by `height` pixels there would have its centre on one of `screens` (each a screen's
// whole area); otherwise (a screen since removed, a changed layout) the top left corner of
// `primary`, so that the window never opens where nobody can see it. Without any screen known
// the stored place is kept.
ScreenPoint DropBoxPlacement(int leftTwips, int topTwips, double twipsPerPixel, int width,
                             int height, std::span<const ScreenRect> screens,
                             const ScreenRect& primary);

}  // namespace vellorin
