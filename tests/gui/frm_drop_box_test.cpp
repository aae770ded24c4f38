#include <xcb/xcb.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "base/ui/layered_window.h"
#include "gui/frm_main_client.h"
#include "subscriptions/drop_box_geometry.h"

namespace vellorin::test {
namespace {

const QString kServiceLink = QStringLiteral("https://www.vellorin.net/feeds/billing.xml");

// The window side of size `index` in pixels on this screen, and what is stored for `pixels`.
int WindowSide(int index) {
    return TwipsToPixels(DropBoxSizeFor(index).windowTwips,
                         TwipsPerPixel(QGuiApplication::primaryScreen()->logicalDotsPerInch()));
}
QByteArray Twips(int pixels) {
    return QByteArray::number(
        qRound(pixels * TwipsPerPixel(QGuiApplication::primaryScreen()->logicalDotsPerInch())));
}

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

class TestFrmDropBox : public QObject {
    Q_OBJECT

private slots:
    void opensAsAFramelessTopMostBoxAndTheMenuChangesIt() {
        DropBoxWorld world;
        QPointer<frmDropBox> box = world.open();
        QVERIFY(box->isVisible() && box->acceptDrops());
        const auto flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus;
        QVERIFY((box->windowFlags() & flags) == flags);
        QVERIFY(box->testAttribute(Qt::WA_ShowWithoutActivating));
        // Top left of the screen, "Large", "Low"; the whole picture shows.
        QCOMPARE(box->pos(), QGuiApplication::primaryScreen()->geometry().topLeft());
        QCOMPARE(box->size(), QSize(WindowSide(2), WindowSide(2)));
        QCOMPARE(box->CheckedSize() * 10 + box->CheckedTrans(), 21);
        QVERIFY(box->picture().width() + 4 < box->width());
        box->mnuPopupTransOpt(3)->trigger();
        box->mnuPopupSizeOpt(0)->trigger();
        QVERIFY(qAbs(box->windowOpacity() * 255 - 178) <= 1);
        QCOMPARE(box->size(), QSize(WindowSide(0), WindowSide(0)));
        // Nothing is stored until the box closes; the next one opens as it was left.
        QVERIFY(!QFile::exists(world.appFile("settings.cfg")));
        box->move(100, 200);
        box->mnuPopupClose()->trigger();
        QCOMPARE(world.settings(), "[dropbox]\r\nleft=" + Twips(100) + "\r\ntop=" + Twips(200) +
                                       "\r\ntrans=3\r\nsize=0\r\n");
        DeleteClosedWindows();
        QVERIFY(box.isNull());
        box = world.open();
        QCOMPARE(box->pos(), QPoint(100, 200));
        QCOMPARE(box->CheckedSize() * 10 + box->CheckedTrans(), 3);
        QVERIFY(world.seam.boxes.empty());
    }

    // Stored far out of every screen, with values that choose no item: the defaults.
    void damagedOrFarAwaySettingsOpenAtTheDefaultsOnTheScreen() {
        DropBoxWorld world("[dropbox]\r\nleft=32767\r\ntop=15\r\ntrans=9\r\nsize=abc\r\n");
        frmDropBox* box = world.open();
        QCOMPARE(box->pos(), QGuiApplication::primaryScreen()->geometry().topLeft());
        QCOMPARE(box->CheckedSize() * 10 + box->CheckedTrans(), 21);
        // Moved far out on a large desktop: stored as it is, not cut to 32,767 twips.
        box->move(5000, -5000);
        box->close();
        QVERIFY(world.settings().contains("left=" + Twips(5000) + "\r\ntop=" + Twips(-5000)));
    }

    // What a drop carries reaches the core's rules (their table is the core's): a link as text
    // opens the subscription (as a URL: the whole-program test's), the rest gets its box.
    void eachKindOfDropGetsItsBoxOrOpensTheSubscription() {
        QTemporaryDir files;
        const QString file = QDir(files.path()).filePath("report.pdf");
        const struct {
            std::function<void(QMimeData&)> fill;
            const char* box;  // caption, nullptr when the link is passed on
        } cases[] = {
            {[](QMimeData& m) { m.setText(kServiceLink); }, nullptr},
            {[](QMimeData& m) { m.setText(QStringLiteral("hello")); },
             "Invalid Vellorin Source Link."},
            {[&](QMimeData& m) {
                 m.setUrls({QUrl::fromLocalFile(file)});
                 m.setText(file);
             },
             "Drag-n-Drop Vellorin Link ..."},
            {[](QMimeData& m) { m.setData(QStringLiteral("image/png"), QByteArray("\x89PNG")); },
             "Drag-n-Drop Vellorin Link ..."},
        };
        DropBoxWorld world;
        frmDropBox* box = world.open();
        for (const auto& c : cases) {
            world.seam.clear();
            world.links.clear();
            QMimeData mime;
            c.fill(mime);
            QVERIFY(Drop(box, mime));
            QCOMPARE(world.seam.captions(),
                     c.box ? std::vector<std::string>{c.box} : std::vector<std::string>{});
            QCOMPARE(world.links, c.box ? std::vector<std::string>{}
                                        : std::vector<std::string>{kServiceLink.toStdString()});
        }
        box->close();
    }

    void toolsMenuAndTrayToggleTheBoxAndFollowItsClose() {
        Client client;
        QAction* item = client.item("mnuToolsDropBox");
        item->trigger();
        QVERIFY(item->isChecked());
        // The tray item closes it, which stores its settings; its own "Close" unchecks the item.
        client.choose("dropbox");
        QVERIFY(!item->isChecked() && client.window->dropBox() == nullptr);
        QVERIFY(QFile::exists(client.appFile("settings.cfg")));
        client.choose("dropbox");
        client.window->dropBox()->mnuPopupSizeOpt(1)->trigger();
        client.window->dropBox()->mnuPopupClose()->trigger();
        QVERIFY(!item->isChecked() && client.window->dropBox() == nullptr);
        QVERIFY(client.settings().contains("size=1\r\n"));
        // Open at the program's exit (or a termination signal): closed and stored.
        item->trigger();
        client.window->dropBox()->mnuPopupSizeOpt(0)->trigger();
        client.window->UnloadWithoutQuestion();
        QVERIFY(client.window->dropBox() == nullptr);
        QVERIFY(client.settings().contains("size=0\r\n"));
        QVERIFY(client.boxes.empty());
    }
};

// The drop box's transparency on a real X server (run by with_tray_host.sh, which starts Xvfb
// without a window manager or compositor); elsewhere it skips. The test plays the compositing
// manager by owning the selection _NET_WM_CM_S0.
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

VELLORIN_GUI_TESTS(FrmDropBox)
VELLORIN_GUI_TESTS_IN(TrayHost, X11DropBox)

#include "frm_drop_box_test.moc"
