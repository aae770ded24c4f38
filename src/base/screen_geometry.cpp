#include "base/screen_geometry.h"

#include <cmath>

namespace vellorin {
namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr double kDefaultTwipsPerPixel = 15.0;

}  // namespace

double TwipsPerPixel(double logicalDpi) {
    if (!(logicalDpi > 0.0))
        return kDefaultTwipsPerPixel;
    return kTwipsPerInch / logicalDpi;
}

int TwipsToPixels(int twips, double twipsPerPixel) {
    if (!(twipsPerPixel > 0.0))
        twipsPerPixel = kDefaultTwipsPerPixel;
    // std::nearbyint rounds halves to even in the default rounding mode, which nothing changes.
    return static_cast<int>(std::nearbyint(twips / twipsPerPixel));
}

}  // namespace vellorin
