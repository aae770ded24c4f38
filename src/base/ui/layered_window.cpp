#include "base/ui/layered_window.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <string>

#include "base/trans_form.h"

namespace vellorin {
namespace {

// True when some client owns the compositing manager selection of the default screen.
bool XCompositorRuns() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (connection == nullptr)
        return false;
    // The default screen of the display the program runs on ($DISPLAY, ":0" meaning screen 0).
    int screen = 0;
    int display = 0;
    char* host = nullptr;
    if (xcb_parse_display(nullptr, &host, &display, &screen) == 0)
        screen = 0;
    std::free(host);
    const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 1, static_cast<uint16_t>(name.size()), name.c_str()), nullptr);
    if (atom == nullptr)
        return false;
    const xcb_atom_t selection = atom->atom;
    std::free(atom);
    if (selection == XCB_ATOM_NONE)
        return false;  // nobody ever created the name: no compositor
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr);
    const bool owned = owner != nullptr && owner->owner != XCB_WINDOW_NONE;
    std::free(owner);
    return owned;
}

}  // namespace

bool IsLayeringSupported() {
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return XCompositorRuns();
    return true;
}

void SetTransparency(QWidget* window, int iTransparencyPercentage) {
    if (window == nullptr)
        return;
    window->setWindowOpacity(TransparencyToAlpha(iTransparencyPercentage) / 255.0);
}

}  // namespace vellorin
