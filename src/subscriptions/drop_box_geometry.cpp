#include "subscriptions/drop_box_geometry.h"

#include <cmath>
#include <iterator>
#include <limits>

namespace vellorin {
namespace {

constexpr int kMarginTwips = 100;

constexpr DropBoxSizeEntry kSizes[] = {
    {30, 510, 510 + kMarginTwips},
    {40, 660, 660 + kMarginTwips},
    {55, 885, 885 + kMarginTwips},
};

// std::nearbyint rounds halves to even in the default rounding mode, which nothing here changes.
long long RoundHalfEven(double value) {
    return static_cast<long long>(std::nearbyint(value));
}

bool Contains(const ScreenRect& r, int x, int y) {
    return !r.empty() && x >= r.x && y >= r.y && x - r.x < r.width && y - r.y < r.height;
}

}  // namespace

DropBoxSizeEntry DropBoxSizeFor(int sizeIndex) {
    if (sizeIndex < 0 || sizeIndex >= static_cast<int>(std::size(kSizes)))
        sizeIndex = static_cast<int>(std::size(kSizes)) - 1;
    return kSizes[sizeIndex];
}

std::int32_t EdgeToStoredTwips(int pixels, double twipsPerPixel) {
    const double twips = static_cast<double>(pixels) * twipsPerPixel;
    constexpr double kMin = std::numeric_limits<std::int32_t>::min();
    constexpr double kMax = std::numeric_limits<std::int32_t>::max();
    // Clamped before the conversion: a value outside the target type is undefined behaviour.
    if (!(twips >= kMin))
        return std::numeric_limits<std::int32_t>::min();
    if (twips >= kMax)
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(RoundHalfEven(twips));
}

ScreenPoint DropBoxPlacement(int leftTwips, int topTwips, double twipsPerPixel, int width,
                             int height, std::span<const ScreenRect> screens,
                             const ScreenRect& primary) {
    const ScreenPoint stored{TwipsToPixels(leftTwips, twipsPerPixel),
                             TwipsToPixels(topTwips, twipsPerPixel)};
    if (screens.empty())
        return stored;
    const int centreX = stored.x + width / 2;
    const int centreY = stored.y + height / 2;
    for (const ScreenRect& screen : screens) {
        if (Contains(screen, centreX, centreY))
            return stored;
    }
    return ScreenPoint{primary.x, primary.y};
}

}  // namespace vellorin
