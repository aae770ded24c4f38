#include "notify/popup_animation.h"

#include <cmath>

namespace vellorin {

namespace {
constexpr int kRightMarginTwips = 75;
}  // namespace

PopupPosition PlacePopup(const ScreenRect& workArea, double twipsPerPixelX, double twipsPerPixelY,
                         int widthTwips, int heightTwips) {
    const double right = (workArea.x + workArea.width) * twipsPerPixelX;
    const double bottom = (workArea.y + workArea.height) * twipsPerPixelY;
    return PopupPosition{static_cast<int>(std::lround(right - widthTwips - kRightMarginTwips)),
                         static_cast<int>(std::lround(bottom - heightTwips))};
}

PopupAnimation::Step PopupAnimation::tick() {
    if (direction_ == Direction::Opening) {
        if (height_ < fullHeight_) {
            height_ += kStepTwips;
            return Step::Moved;
        }
        return Step::Opened;
    }
    if (height_ <= kStepTwips)
        return Step::Closed;
    height_ -= kStepTwips;
    return Step::Moved;
}

}  // namespace vellorin
