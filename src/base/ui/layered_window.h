#pragma once

class QWidget;

namespace vellorin {

// Whether windows can be made translucent here: on X11 when a compositing manager runs (it owns
// the selection _NET_WM_CM_S<screen>); on the other platforms (Wayland, offscreen) the platform
// composites its windows itself. Without a compositor an opacity would be ignored anyway, so
// callers leave the window opaque.
bool IsLayeringSupported();

// Gives `window` the constant opacity of `iTransparencyPercentage` (0 opaque, 100 invisible; a
// value outside 0-100 leaves it just visible), by TransparencyToAlpha's rule. Applying it again
// replaces the earlier value.
void SetTransparency(QWidget* window, int iTransparencyPercentage);

}  // namespace vellorin
