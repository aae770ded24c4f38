#include <cmath>
#include <tuple>

#include "base/ui/layered_window.h"
#include "gui/gui_tests.h"
#include "notify/ui/frm_notification.h"
#include "notify/ui/frm_sys_tray.h"
#include "notify/ui/notification_sound.h"

namespace vellorin::test {
namespace {

// The tray of the main window: a default item, a separator, an item at the end.
struct Tray {
    Tray() {
        tray.AddMenuItem("Show Inbox", "show", true);
        tray.AddMenuItem("-");
        tray.AddMenuItem("Exit", "exit");
    }
    frmSysTray tray{QIcon{}};
};

// A popup as the browser plug-in opens it.
template <class Popup>
QPointer<Popup> Make(bool autoClose = false, int timeToLive = 0) {
    auto* popup = new Popup(QStringLiteral(VELLORIN_RESOURCES_DIR));
    popup->setAutoClose(autoClose);
    popup->setTimeToLive(timeToLive);
    popup->setTransparencyPercentage(5);
    popup->setMakeTransparent(true);
    popup->setCanGainFocus(false);
    return popup;
}

// Opens `popup` and ticks its animation by hand until the opening ends.
void OpenFully(NotificationPopup& popup) {
    popup.Open();
    popup.tmrAnimate()->stop();
    for (int previous = -1; popup.HeightTwips() != previous;) {
        previous = popup.HeightTwips();
        popup.tmrAnimate_Timer();
    }
}

// Ticks a closing popup until it unloads; gives whether it did.
bool CloseFully(QPointer<NotificationPopup> popup) {
    for (int i = 0; i < 100 && popup; ++i) {
        popup->tmrAnimate()->stop();
        popup->tmrAnimate_Timer();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return popup.isNull();
}

}  // namespace

// The tray icon with its menu, and the plug-in's popups.
class TestTrayAndPopups : public QObject {
    Q_OBJECT

private slots:
    // The pointer (where the icon is) is never over the menu, at any edge of the screen.
    void theMenuOpensBesideThePointerAtEveryEdge() {
        Tray t;
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        for (const QPoint& pointer : {QPoint(screen.center().x(), screen.top()),
                                      QPoint(screen.center().x(), screen.bottom()),
                                      QPoint(screen.left(), screen.center().y()),
                                      QPoint(screen.right(), screen.center().y()),
                                      screen.topRight(), screen.bottomLeft()}) {
            QCursor::setPos(pointer);
            t.tray.ShowMenu();
            const QRect placed = t.tray.mnuPopup()->geometry();
            QVERIFY(!placed.intersects(t.tray.MenuAnchor()));
            QVERIFY(screen.contains(placed));
            t.tray.mnuPopup()->hide();
        }
    }

    // An X11 tray reports a double-click as click + double-click, a D-Bus host as two clicks:
    // either is one double-click; one click comes once the interval has passed.
    void aDoubleClickIsReportedOnceAndOpensNoMenu() {
        Tray t;
        QSignalSpy downs(&t.tray, &frmSysTray::SysTrayMouseDown);
        QSignalSpy doubles(&t.tray, &frmSysTray::SysTrayDoubleClick);
        QSystemTrayIcon* icon = t.tray.trayIcon();
        for (const bool x11 : {true, false}) {
            emit icon->activated(QSystemTrayIcon::Trigger);
            emit icon->activated(QSystemTrayIcon::Trigger);
            if (x11)
                emit icon->activated(QSystemTrayIcon::DoubleClick);
        }
        QCOMPARE(doubles.size(), 2);
        QTest::qWait(QApplication::doubleClickInterval() + 100);
        QCOMPARE(downs.size(), 0);
        emit icon->activated(QSystemTrayIcon::Trigger);
        QCOMPARE(downs.size(), 0);
        QTRY_COMPARE(downs.size(), 1);
        // Where no D-Bus host shows the menu itself, a right-click is reported.
        emit icon->activated(QSystemTrayIcon::Context);
        QCOMPARE(downs.last().at(0).toInt(), 2);
    }

    // It slides up from the work area's corner and closes itself after its time to live, without
    // its close label (on top and leaving the focus are the whole-program test's).
    void slidesUpFromTheWorkAreasCornerAndClosesByItself() {
        QPointer<frmNotification> popup = Make<frmNotification>(true, 3000);
        popup->Open();
        QCOMPARE(popup->HeightTwips(), 0);
        if (IsLayeringSupported())
            QCOMPARE(std::lround(popup->windowOpacity() * 255), 242L);
        const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
        popup->tmrAnimate()->stop();
        int ticks = 0;
        for (int lastTop = popup->y() + 1; popup->HeightTwips() < popup->FullHeight(); ++ticks) {
            popup->tmrAnimate_Timer();
            // Rising: the bottom stays on the work area's bottom edge, the top goes up.
            QVERIFY(popup->y() < lastTop);
            lastTop = popup->y();
            QCOMPARE(popup->geometry().bottom(), work.bottom());
        }
        QCOMPARE(ticks, (popup->FullHeight() + 99) / 100);
        const int tpp = 1440 / popup->logicalDpiY();
        QCOMPARE(popup->geometry().right(), work.right() - std::lround(75.0 / tpp));
        popup->tmrAnimate_Timer();
        QVERIFY(!popup->tmrAnimate()->isActive() && !popup->lblClose()->isVisibleTo(popup));
        QCOMPARE(popup->tmrWait()->interval(), 3000);
        popup->tmrWait_Timer();
        QVERIFY(CloseFully(popup.data()));
    }

    void theButtonsAskForTheirCommandsThenClose() {
        // Button, snooze mode reported, tray command asked for (empty: none). Hide and Snooze!
        // are the whole-program test's, the no-source popup's buttons the main window's.
        const std::tuple<const char*, int, const char*> cases[] = {
            {"btnRead", 0, "show"}, {"btnCheckNew", 0, "checkmsg"}, {"btnSleep", 2, ""}};
        for (const auto& [name, mode, command] : cases) {
            QPointer<frmNotification> popup = Make<frmNotification>();
            OpenFully(*popup);
            QSignalSpy modes(popup.data(), &frmNotification::snoozeModeChosen);
            QSignalSpy commands(popup.data(), &frmNotification::trayCommand);
            QTest::mouseClick(popup->findChild<QPushButton*>(name), Qt::LeftButton);
            QCOMPARE(modes.size(), 1);
            QCOMPARE(modes.front().front().toInt(), mode);
            QCOMPARE(commands.isEmpty() ? QString() : commands.front().at(1).toString(),
                     QString::fromLatin1(command));
            QVERIFY2(CloseFully(popup.data()), name);
        }
        // "Close Window" unloads at once, choosing nothing; a missing sound file plays nothing.
        QPointer<frmNotification> popup = Make<frmNotification>();
        popup->setPlaySound(true);
        popup->setSoundFilePath(QStringLiteral("/nonexistent/missing.wav"));
        QSignalSpy modes(popup.data(), &frmNotification::snoozeModeChosen);
        popup->Open();
        QVERIFY(!popup->SoundPlayed());
        QTest::mouseClick(popup->lblClose(), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(popup.isNull());
        QCOMPARE(modes.size(), 0);
    }

    void aSoundPlaysOnlyFromAnExistingFile() {
        QTemporaryDir dir;
        const QString hidden = dir.filePath(QStringLiteral(".chime.wav"));
        QFile file(hidden);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("RIFF\x24\0\0\0WAVEfmt ", 16) == 16);
        file.close();
        QVERIFY(PlayNotificationSound(hidden));
        for (const QString& path : {dir.filePath("missing.wav"), QString(), dir.path()})
            QVERIFY(!PlayNotificationSound(path));
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(TrayAndPopups)

#include "tray_and_popups_test.moc"
