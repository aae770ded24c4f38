#include "shell/platform_choice.h"

#include <gtest/gtest.h>

namespace vellorin {
namespace {

TEST(PlatformChoiceTest, AWaylandSessionRunsOnXWaylandUnlessTheUserChose) {
    struct Case {
        const char *platform, *session, *waylandDisplay;
        const char* chosen;
    } cases[] = {
        {nullptr, "wayland", "wayland-0", "xcb;wayland"},
        {"", "Wayland", nullptr, "xcb;wayland"},
        {nullptr, nullptr, "wayland-0", "xcb;wayland"},
        {"wayland", "wayland", "wayland-0", ""},
        {"offscreen", "wayland", "wayland-0", ""},
        {nullptr, "x11", nullptr, ""},
        {nullptr, "tty", "", ""},
        {nullptr, nullptr, nullptr, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.platform ? c.platform : "-") + " " +
                     (c.session ? c.session : "-"));
        EXPECT_EQ(ChosenQtPlatform(c.platform, c.session, c.waylandDisplay), c.chosen);
    }
    EXPECT_FALSE(PlatformPlacesWindows("wayland"));
    EXPECT_FALSE(PlatformPlacesWindows("wayland-egl"));
    EXPECT_TRUE(PlatformPlacesWindows("xcb"));
    EXPECT_TRUE(PlatformPlacesWindows("offscreen"));
}

}  // namespace
}  // namespace vellorin
