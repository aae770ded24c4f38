#include "notify/ui/frm_sys_tray.h"
#include "gui/gui_tests.h"

namespace vellorin::test {

namespace {

// Sends a mouse event to the open menu at `local`, as the pointer grab of the open menu delivers
// it wherever the pointer is.
void SendToMenu(QMenu* menu, QEvent::Type type, QPoint local, Qt::MouseButton button,
                Qt::MouseButtons buttons) {
    QMouseEvent event(type, local, menu->mapToGlobal(local), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(menu, &event);
}

// The tray of the main window: a default item, separators, an item at the end.
void Fill(frmSysTray& tray) {
    tray.AddMenuItem("Show Inbox", "show", true);
    tray.AddMenuItem("-");
    tray.AddMenuItem("Settings", "settings");
    tray.AddMenuItem("-");
    tray.AddMenuItem("Exit", "exit");
}

}  // namespace

class TestFrmSysTray : public QObject {
    Q_OBJECT

private slots:
    void separatorsShowALineOnlyAndTheDefaultItemIsBold() {
        frmSysTray tray(QIcon{});
        Fill(tray);
        auto check = [&](const QStringList& captions, int defaultIndex) {
            QCOMPARE(tray.MenuItemCount(), captions.size());
            QCOMPARE(tray.mnuPopup()->actions().size(), captions.size());
            for (int i = 0; i < captions.size(); ++i) {
                QAction* item = tray.mnuSysTray(i);
                QCOMPARE(tray.mnuPopup()->actions().at(i), item);
                QCOMPARE(tray.MenuItemCaption(i), captions[i]);
                const bool separator = captions[i] == "-";
                QCOMPARE(item->isSeparator(), separator);
                QCOMPARE(item->text(), separator ? QString() : captions[i]);
                QCOMPARE(item->font().bold(), i == defaultIndex);
            }
            QCOMPARE(tray.mnuPopup()->defaultAction(), tray.mnuSysTray(defaultIndex));
        };
        check({"Show Inbox", "-", "Settings", "-", "Exit"}, 0);
        tray.SetDefaultMenuIndex(2);
        check({"Show Inbox", "-", "Settings", "-", "Exit"}, 2);
        tray.SetMenuItemCaption(2, "-");
        check({"Show Inbox", "-", "-", "-", "Exit"}, 2);
        tray.SetMenuItemCaption(2, "Settings");
        tray.RemoveMenuItem(1);
        check({"Show Inbox", "Settings", "-", "Exit"}, 2);
        QCOMPARE(tray.MenuItemKey(1), QStringLiteral("settings"));
        tray.RemoveMenuItem(3);
        tray.RemoveMenuItem(2);
        check({"Show Inbox", "Settings"}, 0);
    }

    void theMenuOpensBesideThePointerAtEveryEdge() {
        frmSysTray tray(QIcon{});
        Fill(tray);
        QMenu* menu = tray.mnuPopup();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QPoint points[] = {
            {screen.center().x(), screen.top()},  {screen.center().x(), screen.bottom()},
            {screen.left(), screen.center().y()}, {screen.right(), screen.center().y()},
            {screen.right(), screen.top()},       {screen.left(), screen.bottom()},
        };
        for (const QPoint& pointer : points) {
            QCursor::setPos(pointer);
            QCOMPARE(QCursor::pos(), pointer);
            tray.ShowMenu();
            QVERIFY(menu->isVisible());
            const QRect placed = menu->geometry();
            // The pointer (where the icon is) is never over the menu, so neither a release nor
            // a second press there can land on an item.
            QVERIFY2(!placed.intersects(tray.MenuAnchor()),
                     qPrintable(QStringLiteral("pointer %1,%2 menu %3,%4")
                                    .arg(pointer.x())
                                    .arg(pointer.y())
                                    .arg(placed.x())
                                    .arg(placed.y())));
            QVERIFY(screen.contains(placed));
            menu->hide();
        }
    }

    void theReleaseOfTheOpeningPressChoosesNothing() {
        frmSysTray tray(QIcon{});
        Fill(tray);
        QSignalSpy clicks(&tray, &frmSysTray::MenuClick);
        QMenu* menu = tray.mnuPopup();
        QCursor::setPos(QGuiApplication::primaryScreen()->geometry().center().x(), 0);
        tray.ShowMenu();
        QVERIFY(menu->isVisible());

        // The right button, pressed on the icon, is held while the pointer wanders onto "Show
        // Inbox" and is released there.
        const QPoint item = menu->actionGeometry(tray.mnuSysTray(0)).center();
        for (int i = 0; i < 8; ++i) {
            SendToMenu(menu, QEvent::MouseMove, item + QPoint(i, 0), Qt::NoButton, Qt::RightButton);
        }
        SendToMenu(menu, QEvent::MouseButtonRelease, item, Qt::RightButton, Qt::NoButton);
        QCOMPARE(clicks.size(), 0);
        QVERIFY(menu->isVisible());

        // A click made in the menu chooses.
        const QPoint exit = menu->actionGeometry(tray.mnuSysTray(4)).center();
        SendToMenu(menu, QEvent::MouseMove, exit, Qt::NoButton, Qt::NoButton);
        SendToMenu(menu, QEvent::MouseButtonPress, exit, Qt::LeftButton, Qt::LeftButton);
        SendToMenu(menu, QEvent::MouseButtonRelease, exit, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(clicks[0][0].toInt(), 4);
        QCOMPARE(clicks[0][1].toString(), QStringLiteral("exit"));
        QVERIFY(!menu->isVisible());

        // Opened again, the menu again ignores a release it did not see pressed.
        tray.ShowMenu();
        SendToMenu(menu, QEvent::MouseMove, item, Qt::NoButton, Qt::RightButton);
        SendToMenu(menu, QEvent::MouseButtonRelease, item, Qt::RightButton, Qt::NoButton);
        QCOMPARE(clicks.size(), 1);
        menu->hide();
    }

    void aDoubleClickIsReportedOnceAndOpensNoMenu() {
        frmSysTray tray(QIcon{});
        Fill(tray);
        QSignalSpy downs(&tray, &frmSysTray::SysTrayMouseDown);
        QSignalSpy doubles(&tray, &frmSysTray::SysTrayDoubleClick);
        QSystemTrayIcon* icon = tray.trayIcon();

        // An X11 tray reports the second press as a click, then as a double-click.
        emit icon->activated(QSystemTrayIcon::Trigger);
        emit icon->activated(QSystemTrayIcon::Trigger);
        emit icon->activated(QSystemTrayIcon::DoubleClick);
        QCOMPARE(doubles.size(), 1);
        QCOMPARE(doubles[0][0].toInt(), 1);
        // A D-Bus host reports a double-click as two clicks.
        emit icon->activated(QSystemTrayIcon::Trigger);
        emit icon->activated(QSystemTrayIcon::Trigger);
        QCOMPARE(doubles.size(), 2);
        QTest::qWait(QApplication::doubleClickInterval() + 100);
        QCOMPARE(downs.size(), 0);

        // One click, once the double-click interval has passed.
        emit icon->activated(QSystemTrayIcon::Trigger);
        QCOMPARE(downs.size(), 0);
        QTRY_COMPARE(downs.size(), 1);
        QCOMPARE(downs[0][0].toInt(), 1);
        QCOMPARE(doubles.size(), 2);
        // Where no D-Bus host shows the menu itself, a right-click is reported.
        emit icon->activated(QSystemTrayIcon::Context);
        QCOMPARE(downs.size(), 2);
        QCOMPARE(downs[1][0].toInt(), 2);
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(FrmSysTray)

#include "frm_sys_tray_test.moc"
