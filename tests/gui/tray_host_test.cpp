// The tray icon under a real X11 tray host (trayer, at the top of the screen), driven with
// xdotool. Run by with_tray_host.sh; anywhere else the tests skip.

#include "gui/gui_tests.h"
#include "notify/ui/frm_sys_tray.h"

namespace vellorin::test {
namespace {

// Runs xdotool, moving the pointer to `at` first unless it is null.
void Xdotool(QPoint at, QStringList args) {
    if (!at.isNull())
        args = QStringList{"mousemove", QString::number(at.x()), QString::number(at.y())} + args;
    QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), args), 0);
}

// Lets what was just done run, a click's wait for a possible double-click included.
void Settle() {
    QTest::qWait(QApplication::doubleClickInterval() + 200);
}

// Qt's own balloon (shown where no notification service is used).
QWidget* Balloon() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->inherits("QBalloonTip") && w->isVisible())
            return w;
    }
    return nullptr;
}

// The main window's tray, its menu opening on either button, once the host has taken the icon
// in (the icon is at the origin until then).
struct Tray {
    explicit Tray(bool waitForTheHost = true)
        : tray(QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation)) {
        tray.AddMenuItem("Show Inbox", "show", true);
        tray.AddMenuItem("-");
        tray.AddMenuItem("Exit", "exit");
        QObject::connect(&tray, &frmSysTray::SysTrayMouseDown, &tray, &frmSysTray::ShowMenu);
        if (waitForTheHost)
            waitForHost();
    }
    void waitForHost() const {
        (void)QTest::qWaitFor([this] { return icon().left() > 0; }, 10000);
    }
    QRect icon() const { return tray.trayIcon()->geometry(); }
    QMenu* menu() const { return tray.mnuPopup(); }
    QPoint item(int index) const {
        return menu()->mapToGlobal(menu()->actionGeometry(tray.mnuSysTray(index)).center());
    }
    void balloon(const QString& text) {
        tray.ShowBalloonTip(text, "Vellorin is available here!", QSystemTrayIcon::Information,
                            6000);
    }
    frmSysTray tray;
};

}  // namespace

class TestTrayHost : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X11 display with a tray host");
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("needs xdotool");
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);
    }

    void aRightClickOnTheIconOpensTheMenuAndNothingElse() {
        Tray t;
        QSignalSpy clicks(&t.tray, &frmSysTray::MenuClick);
        QVERIFY(t.icon().left() > 0);
        // The press opens the menu beside the icon, not over it.
        Xdotool(t.icon().center(), {"mousedown", "3"});
        QTRY_VERIFY(t.menu()->isVisible());
        QVERIFY(!t.menu()->geometry().intersects(t.icon()));
        // A slow release: the pointer wanders onto "Show Inbox" with the button held.
        for (int i = 0; i < 8; ++i)
            Xdotool(t.item(0) + QPoint(i, 0), {});
        Xdotool({}, {"mouseup", "3"});
        Settle();
        QCOMPARE(clicks.size(), 0);
        QVERIFY(t.menu()->isVisible());
        // A second right-click on the icon closes the menu (choosing is the whole-program test's).
        Xdotool(t.icon().center(), {"click", "3"});
        Settle();
        QVERIFY(!t.menu()->isVisible());
        QCOMPARE(clicks.size(), 0);
    }

    // The balloon points at the icon. Qt reports a press on the icon while its balloon shows as
    // a click on the balloon: a right-click then opens the menu and nothing else; a click on the
    // balloon is one.
    void theBalloonPointsAtTheIconAndARightClickStillOpensTheMenu() {
        Tray t(false);  // asked for at start, before the host took the icon in
        QSignalSpy balloonClicks(&t.tray, &frmSysTray::BalloonClicked);
        t.balloon("Double-click to launch Application interface.");
        QWidget* balloon = nullptr;
        QTRY_VERIFY((balloon = Balloon()) != nullptr);
        t.waitForHost();
        const QRect near = t.icon().adjusted(-balloon->width(), 0, 0, balloon->height() + 40);
        QVERIFY(near.contains(balloon->geometry()));
        Xdotool(t.icon().center(), {"click", "3"});
        QTRY_VERIFY(t.menu()->isVisible());
        Settle();
        QVERIFY(t.menu()->isVisible());
        QCOMPARE(balloonClicks.size(), 0);
        Xdotool({}, {"key", "Escape"});
        QTRY_VERIFY(!t.menu()->isVisible());
        t.balloon("2 new messages.");
        QTRY_VERIFY((balloon = Balloon()) != nullptr);
        QTest::qWait(300);  // the balloon settles in its place
        Xdotool(balloon->geometry().center(), {"click", "1"});
        QTRY_COMPARE(balloonClicks.size(), 1);
        QVERIFY(!t.menu()->isVisible());
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS_IN(TrayHost, TrayHost)

#include "tray_host_test.moc"
