// The drop box's transparency on a real X server (run by with_tray_host.sh, which
// starts Xvfb without a window manager or compositor); anywhere else the tests skip. The test
// itself plays the compositing manager by owning the selection _NET_WM_CM_S0.

#include <xcb/xcb.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/ui/layered_window.h"
#include "gui/frm_main_client.h"
#include "gui/gui_tests.h"
#include "subscriptions/ui/frm_drop_box.h"

namespace vellorin::test {

namespace {

xcb_connection_t* Connection() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_atom_t Atom(const char* name) {
    xcb_connection_t* c = Connection();
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

// Makes `owner` (XCB_WINDOW_NONE: nobody) the owner of the compositing manager selection of
// screen 0, as a compositing manager does when it starts.
void SetCompositor(xcb_window_t owner) {
    xcb_set_selection_owner(Connection(), owner, Atom("_NET_WM_CM_S0"), XCB_CURRENT_TIME);
    xcb_flush(Connection());
}

// The 32-bit words of the window's property `atom` of `type`, at most `count`; none when absent.
std::vector<std::uint32_t> Property(const QWidget* window, xcb_atom_t atom, xcb_atom_t type,
                                    std::uint32_t count) {
    xcb_connection_t* c = Connection();
    const auto id = static_cast<xcb_window_t>(window->winId());
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(c, xcb_get_property(c, 0, id, atom, type, 0, count), nullptr);
    std::vector<std::uint32_t> words;
    if (reply != nullptr && xcb_get_property_value_length(reply) >= 4) {
        words.resize(static_cast<std::size_t>(xcb_get_property_value_length(reply)) / 4);
        std::memcpy(words.data(), xcb_get_property_value(reply), words.size() * 4);
    }
    std::free(reply);
    return words;
}

// The window's _NET_WM_WINDOW_OPACITY as alpha 0-255 rounded; -1 when the property is absent.
long WindowAlpha(const QWidget* window) {
    const auto words = Property(window, Atom("_NET_WM_WINDOW_OPACITY"), XCB_ATOM_CARDINAL, 1);
    return words.size() == 1 ? std::lround(words[0] / double(0xffffffffu) * 255.0) : -1;
}

}  // namespace

class TestX11DropBox : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("xcb") || Connection() == nullptr)
            QSKIP("needs an X11 display");
    }

    void transparencyNeedsACompositingManager() {
        QWidget owner;
        const auto ownerId = static_cast<xcb_window_t>(owner.winId());
        SetCompositor(XCB_WINDOW_NONE);
        QVERIFY(!IsLayeringSupported());

        // Without a compositor the level is kept but the window stays opaque.
        DropBoxWorld world("[dropbox]\r\ntrans=3\r\n");
        frmDropBox* plain = world.open();
        QVERIFY(QTest::qWaitForWindowExposed(plain));
        QCOMPARE(plain->CheckedTrans(), 3);
        QCOMPARE(WindowAlpha(plain), -1L);
        plain->close();

        SetCompositor(ownerId);
        QVERIFY(IsLayeringSupported());
        frmDropBox* box = world.open();
        QVERIFY(QTest::qWaitForWindowExposed(box));
        QVERIFY(qAbs(WindowAlpha(box) - 178) <= 1);
        box->mnuPopupTransOpt(1)->trigger();
        QVERIFY(qAbs(WindowAlpha(box) - 230) <= 1);
        box->close();

        SetCompositor(XCB_WINDOW_NONE);
        QVERIFY(!IsLayeringSupported());
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS_IN(TrayHost, X11DropBox)

#include "x11_drop_box_test.moc"
