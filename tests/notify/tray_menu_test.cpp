#include "notify/tray_menu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "notify/tray_menu_placement.h"

namespace vellorin {
namespace {

std::vector<std::string> Captions(const TrayMenu& menu) {
    std::vector<std::string> out;
    for (int i = 0; i < menu.count(); ++i)
        out.push_back(menu.item(i).caption + "/" + menu.item(i).key);
    return out;
}

TEST(TrayMenuTest, ItemsTakeIndexesInOrderAndRemovingShiftsCaptionsAndKeysUp) {
    const struct {
        int remove;
        std::vector<std::string> left;
    } cases[] = {{1, {"A/a", "C/c"}}, {0, {"/a", "B/b", "C/c"}}, {3, {"A/a", "B/b", "C/c"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.remove);
        TrayMenu menu;
        menu.AddMenuItem("A", "a");
        menu.AddMenuItem("B", "b");
        menu.AddMenuItem("C", "c", true);
        menu.EnableMenuItem(1, false);
        EXPECT_EQ(menu.RemoveMenuItem(c.remove), 0);
        EXPECT_EQ(Captions(menu), c.left);
        // Flags stay with the index; a default past the end falls back to 0.
        EXPECT_FALSE(menu.item(1).enabled);
        EXPECT_EQ(menu.DefaultMenuIndex(), menu.count() == 3 ? 2 : 0);
    }
    TrayMenu menu;
    EXPECT_EQ(menu.AddMenuItem("A", "a"), 0);
    EXPECT_EQ(menu.AddMenuItem("B", "b", true), 1);
    EXPECT_EQ(menu.AddMenuItem("C", "c"), 2);
    EXPECT_EQ(menu.DefaultMenuIndex(), 1);
    menu.SetDefaultMenuIndex(7);
    EXPECT_EQ(menu.DefaultMenuIndex(), 0);
    EXPECT_FALSE(menu.EnableMenuItem(3, false));
    EXPECT_TRUE(TrayMenu::IsSeparator("-"));
    EXPECT_FALSE(TrayMenu::IsSeparator("--") || TrayMenu::IsSeparator(""));
}

bool Intersects(const ScreenRect& a, const ScreenRect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
           b.y < a.y + a.height;
}

TEST(TrayMenuPlacementTest, TheMenuOpensBesideTheIconAwayFromItsEdge) {
    const ScreenRect screen{0, 0, 1280, 800};
    const struct {
        const char* name;
        ScreenRect icon;
        ScreenRect workArea;
        ScreenPoint expected;
    } cases[] = {
        {"panel at the top", {1000, 0, 24, 24}, {0, 24, 1280, 776}, {1000, 24}},
        {"top, icon in the corner", {1256, 0, 24, 24}, {0, 24, 1280, 776}, {1080, 24}},
        {"panel at the bottom", {1000, 776, 24, 24}, {0, 0, 1280, 776}, {1000, 476}},
        {"panel on the left", {0, 400, 24, 24}, {24, 0, 1256, 800}, {24, 400}},
        {"panel on the right", {1256, 400, 24, 24}, {0, 0, 1256, 800}, {1056, 400}},
        {"no work area reported", {1000, 0, 24, 24}, {0, 0, 0, 0}, {1000, 24}},
        {"pointer square, bottom half", {495, 600, 11, 11}, {0, 0, 1280, 800}, {495, 300}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ScreenPoint p = TrayMenuPosition(c.icon, 200, 300, screen, c.workArea);
        EXPECT_EQ(p, c.expected);
        EXPECT_FALSE(Intersects(ScreenRect{p.x, p.y, 200, 300}, c.icon));
    }
}

}  // namespace
}  // namespace vellorin
