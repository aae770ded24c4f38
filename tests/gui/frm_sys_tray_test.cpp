#include "notify/ui/frm_sys_tray.h"
#include "gui/gui_tests.h"

namespace vellorin::test {
namespace {

// The tray of the main window: a default item, separators, an item at the end.
struct Tray {
    Tray() {
        tray.AddMenuItem("Show Inbox", "show", true);
        tray.AddMenuItem("-");
        tray.AddMenuItem("Settings", "settings");
        tray.AddMenuItem("-");
        tray.AddMenuItem("Exit", "exit");
    }
    // Each item as "caption" ("-" a separator), "*" after the bold default one.
    QStringList items() {
        QStringList out;
        for (QAction* item : tray.mnuPopup()->actions())
            out << (item->isSeparator() ? "-" : item->text()) + (item->font().bold() ? "*" : "");
        return out;
    }
    frmSysTray tray{QIcon{}};
};

}  // namespace

class TestFrmSysTray : public QObject {
    Q_OBJECT

private slots:
    void separatorsShowALineOnlyAndTheDefaultItemIsBold() {
        Tray t;
        QCOMPARE(t.items(), QStringList({"Show Inbox*", "-", "Settings", "-", "Exit"}));
        t.tray.SetDefaultMenuIndex(2);
        t.tray.SetMenuItemCaption(0, "-");
        QCOMPARE(t.items(), QStringList({"-", "-", "Settings*", "-", "Exit"}));
        QCOMPARE(t.tray.mnuPopup()->defaultAction(), t.tray.mnuSysTray(2));
        t.tray.RemoveMenuItem(1);
        QCOMPARE(t.items(), QStringList({"-", "Settings", "-*", "Exit"}));  // the index stays
        QCOMPARE(t.tray.MenuItemKey(1), QStringLiteral("settings"));
    }

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
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(FrmSysTray)

#include "frm_sys_tray_test.moc"
