#include "shell/platform_choice.h"

#include "base/helpers.h"

namespace vellorin {
namespace {

bool IsSet(const char* value) {
    return value != nullptr && *value != '\0';
}

}  // namespace

std::string ChosenQtPlatform(const char* qtQpaPlatform, const char* xdgSessionType,
                             const char* waylandDisplay) {
    if (IsSet(qtQpaPlatform))
        return {};
    const bool wayland =
        (IsSet(xdgSessionType) && EqualsNoCase(xdgSessionType, "wayland")) || IsSet(waylandDisplay);
    return wayland ? "xcb;wayland" : std::string();
}

bool PlatformPlacesWindows(std::string_view platformName) {
    constexpr std::string_view kWayland = "wayland";
    return !(platformName.size() >= kWayland.size() &&
             EqualsNoCase(platformName.substr(0, kWayland.size()), kWayland));
}

}  // namespace vellorin
