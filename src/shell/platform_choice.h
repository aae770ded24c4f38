#pragma once

#include <string>
#include <string_view>

namespace vellorin {

// The Qt platform the desktop client asks for before its application object exists, given the
// values of QT_QPA_PLATFORM, XDG_SESSION_TYPE and WAYLAND_DISPLAY (nullptr: not set).
//
// A Wayland compositor lets no program place its own windows, which the drop box and the popups
// need; so on a Wayland session the client runs on XWayland: "xcb;wayland" (Qt takes the first
// platform that starts, so a session without XWayland still gets a window). Empty, meaning "leave
// the choice to Qt", when the user chose a platform (a non-empty QT_QPA_PLATFORM) or the session
// is not a Wayland one.
std::string ChosenQtPlatform(const char* qtQpaPlatform, const char* xdgSessionType,
                             const char* waylandDisplay);

// Whether windows on the running Qt platform (QGuiApplication::platformName) can be put where the
// program wants them: false on Wayland ("wayland", "wayland-egl", ...), true elsewhere.
bool PlatformPlacesWindows(std::string_view platformName);

}  // namespace vellorin
