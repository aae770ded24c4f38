#pragma once

namespace vellorin {

enum class FormWindowState { Normal, Minimized, Maximized };

// The few things cINI's SaveFormPosition/LoadFormPosition need of a window. Positions and sizes
// are in twips (1/1440 inch); twips per pixel = 1440 / logical DPI.
class FormWindow {
public:
    virtual ~FormWindow() = default;
    virtual FormWindowState WindowState() const = 0;
    virtual void SetWindowState(FormWindowState state) = 0;
    virtual long Left() const = 0;
    virtual long Top() const = 0;
    virtual long Width() const = 0;
    virtual long Height() const = 0;
    // Moves and resizes in one operation.
    virtual void Move(long left, long top, long width, long height) = 0;
    // The screen the window is on, in twips, and its twips per pixel.
    virtual long ScreenWidth() const = 0;
    virtual long ScreenHeight() const = 0;
    virtual long TwipsPerPixelX() const = 0;
    virtual long TwipsPerPixelY() const = 0;
};

}  // namespace vellorin
