#pragma once

#include "base/screen_geometry.h"

namespace vellorin {

// Where a sliding popup stands, in twips: its left and top edges.
struct PopupPosition {
    int left = 0;
    int top = 0;
    bool operator==(const PopupPosition&) const = default;
};

// PlacePopup: the popup of `widthTwips` by `heightTwips` with its bottom edge on the bottom of
// `workArea` (pixels, bottom edge exclusive) and its right edge 75 twips in from the work area's
// right edge. `twipsPerPixelX/Y` convert the work area.
PopupPosition PlacePopup(const ScreenRect& workArea, double twipsPerPixelX, double twipsPerPixelY,
                         int widthTwips, int heightTwips);

// The popups' growing and shrinking: the height changes by kStepTwips per tick of tmrAnimate.
class PopupAnimation {
public:
    static constexpr int kStepTwips = 100;
    static constexpr int kTickMs = 10;

    enum class Direction { Opening = 0, Closing = 1 };
    // What one tick did: the height changed (place the popup again), the opening ended (start
    // the time to live when the popup closes by itself), the closing ended (unload the popup).
    enum class Step { Moved, Opened, Closed };

    // Starts opening from height 0 towards `fullHeightTwips`, the designed height.
    explicit PopupAnimation(int fullHeightTwips) : fullHeight_(fullHeightTwips) {}

    // One tick. Opening: below the full height the height grows by a step (so the last step may
    // overshoot by up to 99 twips), else Opened. Closing: at a step or less Closed, else the
    // height shrinks by a step. A tick after Opened or Closed gives the same again.
    Step tick();
    // Turns towards closing from the current height.
    void close() { direction_ = Direction::Closing; }

    int height() const { return height_; }
    int fullHeight() const { return fullHeight_; }
    Direction direction() const { return direction_; }

private:
    int fullHeight_;
    int height_ = 0;
    Direction direction_ = Direction::Opening;
};

}  // namespace vellorin
