// The tray icon under a real X11 tray host (an XEmbed tray such as trayer, here at the top edge
// of the screen), driven through the X server with xdotool as a person's mouse drives it. Run by
// with_tray_host.sh; anywhere else (offscreen, no tray, no xdotool) the tests skip.

#include "gui/gui_tests.h"
#include "notify/ui/frm_sys_tray.h"

namespace vellorin::test {

namespace {

// Runs xdotool with `args` (mouse commands go through the X server like a real mouse's).
void Xdotool(const QStringList& args) {
    QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), args), 0);
}

QStringList MoveTo(QPoint p) {
    return {"mousemove", QString::number(p.x()), QString::number(p.y())};
}

// Lets the events of what was just done run, a press handed on after a menu closed among them,
// and a click's wait for a possible double-click.
void Settle() {
    QTest::qWait(QApplication::doubleClickInterval() + 200);
}

// Waits until the host has taken the icon in: the host keeps its icons at the right end of the
// top edge, the icon is at the origin until then.
void WaitForTheHost(const frmSysTray& tray) {
    QTRY_VERIFY_WITH_TIMEOUT(tray.trayIcon()->geometry().left() > 0, 10000);
}

// Qt's own balloon (shown where no notification service is used).
QWidget* Balloon() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->inherits("QBalloonTip") && w->isVisible())
            return w;
    }
    return nullptr;
}

// The main window's tray: its menu opens on either button.
struct Tray {
    Tray() : tray(QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation)) {
        tray.AddMenuItem("Show Inbox", "show", true);
        tray.AddMenuItem("-");
        tray.AddMenuItem("Exit", "exit");
        QObject::connect(&tray, &frmSysTray::SysTrayMouseDown, &tray, &frmSysTray::ShowMenu);
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
        frmSysTray& tray = t.tray;
        QSignalSpy clicks(&tray, &frmSysTray::MenuClick);
        WaitForTheHost(tray);
        const QRect icon = tray.trayIcon()->geometry();
        const QPoint onIcon = icon.center();
        QMenu* menu = tray.mnuPopup();

        // The press opens the menu beside the icon, not over it.
        Xdotool(MoveTo(onIcon) << "mousedown"
                               << "3");
        QTRY_VERIFY(menu->isVisible());
        QVERIFY(!menu->geometry().intersects(icon));

        // A slow release: the pointer wanders onto "Show Inbox" with the button held.
        const QPoint item = menu->mapToGlobal(menu->actionGeometry(tray.mnuSysTray(0)).center());
        for (int i = 0; i < 8; ++i)
            Xdotool(MoveTo(item + QPoint(i, 0)));
        Xdotool({"mouseup", "3"});
        Settle();
        QCOMPARE(clicks.size(), 0);
        QVERIFY(menu->isVisible());

        // A second right-click on the icon closes the menu; it does not open it again.
        Xdotool(MoveTo(onIcon) << "click"
                               << "3");
        Settle();
        QVERIFY(!menu->isVisible());

        // Nor does a left click.
        Xdotool({"click", "3"});
        QTRY_VERIFY(menu->isVisible());
        Xdotool({"click", "1"});
        Settle();
        QVERIFY(!menu->isVisible());
        QCOMPARE(clicks.size(), 0);

        // A click in the menu chooses.
        Xdotool({"click", "3"});
        QTRY_VERIFY(menu->isVisible());
        const QPoint exit = menu->mapToGlobal(menu->actionGeometry(tray.mnuSysTray(2)).center());
        Xdotool(MoveTo(exit) << "click"
                             << "1");
        QTRY_COMPARE(clicks.size(), 1);
        QCOMPARE(clicks[0][1].toString(), QStringLiteral("exit"));
    }

    void aBalloonAskedForAtStartPointsAtTheIcon() {
        Tray t;
        t.tray.ShowBalloonTip("Double-click to launch Application interface.",
                              "Vellorin is available here!", QSystemTrayIcon::Information, 6000);
        QWidget* balloon = nullptr;
        QTRY_VERIFY((balloon = Balloon()) != nullptr);
        WaitForTheHost(t.tray);
        const QRect icon = t.tray.trayIcon()->geometry();
        // Near the icon at the top right corner, not at the screen's origin.
        const QRect near = icon.adjusted(-balloon->width(), 0, 0, balloon->height() + 40);
        QVERIFY2(near.contains(balloon->geometry()), qPrintable(QStringLiteral("balloon at %1,%2")
                                                                    .arg(balloon->geometry().x())
                                                                    .arg(balloon->geometry().y())));
        balloon->close();
    }

    // Qt reports a press on the icon while its balloon shows as a click on the balloon: a
    // right-click then opens the menu and nothing else; a click on the balloon is one.
    void aRightClickWhileTheBalloonShowsOpensTheMenuAndNothingElse() {
        Tray t;
        frmSysTray& tray = t.tray;
        QSignalSpy balloonClicks(&tray, &frmSysTray::BalloonClicked);
        WaitForTheHost(tray);
        const QPoint onIcon = tray.trayIcon()->geometry().center();
        tray.ShowBalloonTip("Double-click to launch Application interface.",
                            "Vellorin is available here!", QSystemTrayIcon::Information, 6000);
        QTRY_VERIFY(Balloon() != nullptr);
        Xdotool(MoveTo(onIcon) << "click"
                               << "3");
        QTRY_VERIFY(tray.mnuPopup()->isVisible());
        Settle();
        QVERIFY(tray.mnuPopup()->isVisible());
        QCOMPARE(balloonClicks.size(), 0);
        Xdotool({"key", "Escape"});
        QTRY_VERIFY(!tray.mnuPopup()->isVisible());

        tray.ShowBalloonTip("2 new messages.", "Vellorin", QSystemTrayIcon::Information, 6000);
        QWidget* balloon = nullptr;
        QTRY_VERIFY((balloon = Balloon()) != nullptr);
        QTest::qWait(300);  // the balloon settles in its place
        const QPoint inside = balloon->geometry().center();
        Xdotool(MoveTo(inside) << "click"
                               << "1");
        QTRY_COMPARE(balloonClicks.size(), 1);
        QVERIFY(!tray.mnuPopup()->isVisible());
    }

    void aDoubleClickOnTheIconIsReportedOnceAndOpensNoMenu() {
        Tray t;
        frmSysTray& tray = t.tray;
        QSignalSpy downs(&tray, &frmSysTray::SysTrayMouseDown);
        QSignalSpy doubles(&tray, &frmSysTray::SysTrayDoubleClick);
        WaitForTheHost(tray);
        Xdotool(MoveTo(tray.trayIcon()->geometry().center()) << "click"
                                                             << "--repeat"
                                                             << "2"
                                                             << "--delay"
                                                             << "80"
                                                             << "1");
        Settle();
        QCOMPARE(doubles.size(), 1);
        QCOMPARE(downs.size(), 0);
        QVERIFY(!tray.mnuPopup()->isVisible());
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS_IN(TrayHost, TrayHost)

#include "tray_host_test.moc"
