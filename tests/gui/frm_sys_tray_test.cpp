#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QStyle>
#include <QtTest>

#include "gui/gui_tests.h"
#include "notify/ui/frm_sys_tray.h"

using vellorin::frmSysTray;

namespace {

// A tray with the items "A", "B", "C" (keys "a", "b", "c"), "C" the default.
class Tray : public frmSysTray {
public:
    Tray() : frmSysTray(QApplication::style()->standardIcon(QStyle::SP_DirIcon)) {
        AddMenuItem("A", "a");
        AddMenuItem("B", "b");
        AddMenuItem("C", "c", true);
    }
    QStringList captions() const {
        QStringList out;
        for (int i = 0; i < MenuItemCount(); ++i)
            out << MenuItemCaption(i) + "/" + MenuItemKey(i);
        return out;
    }
};

}  // namespace

class TestFrmSysTray : public QObject {
    Q_OBJECT

private slots:
    void itemsGetConsecutiveIndexesSeparatorsAndADefault() {
        Tray tray;
        QCOMPARE(tray.AddMenuItem("-"), 3);
        QVERIFY(tray.mnuSysTray(3)->isSeparator());
        QCOMPARE(tray.DefaultMenuIndex(), 2);
        QCOMPARE(tray.mnuPopup()->defaultAction(), tray.mnuSysTray(2));
        QCOMPARE(tray.mnuPopup()->actions().size(), 4);

        // A caption of "-" turns an item into a separator and back.
        tray.SetMenuItemCaption(0, "-");
        QVERIFY(tray.mnuSysTray(0)->isSeparator());
        tray.SetMenuItemCaption(0, "A again");
        QVERIFY(!tray.mnuSysTray(0)->isSeparator());

        // Invalid indexes: the default falls back to 0, the rest is ignored.
        tray.SetDefaultMenuIndex(7);
        QCOMPARE(tray.DefaultMenuIndex(), 0);
        QCOMPARE(tray.mnuPopup()->defaultAction(), tray.mnuSysTray(0));
        tray.SetDefaultMenuIndex(-1);
        QCOMPARE(tray.DefaultMenuIndex(), 0);
        tray.EnableMenuItem(2, false);
        tray.EnableMenuItem(4, false);
        tray.EnableMenuItem(-1, false);
        QVERIFY(!tray.mnuSysTray(2)->isEnabled());
        QVERIFY(tray.mnuSysTray(0)->isEnabled());
        QCOMPARE(tray.MenuItemCaption(9), QString());
        QCOMPARE(tray.mnuSysTray(9), nullptr);
    }

    void removingAnItemShiftsTheLaterOnesUp() {
        Tray tray;
        QSignalSpy clicks(&tray, &frmSysTray::MenuClick);
        QCOMPARE(tray.RemoveMenuItem(1), 0);
        QCOMPARE(tray.captions(), QStringList({"A/a", "C/c"}));
        QCOMPARE(tray.mnuPopup()->actions().size(), 2);
        // The default was the item that went away with the last place.
        QCOMPARE(tray.DefaultMenuIndex(), 0);
        QCOMPARE(tray.RemoveMenuItem(5), 0);  // invalid: nothing happens
        QCOMPARE(tray.MenuItemCount(), 2);

        // Choosing an item reports its current index and the key that moved there.
        tray.mnuSysTray(1)->trigger();
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(clicks.at(0).at(0).toInt(), 1);
        QCOMPARE(clicks.at(0).at(1).toString(), QStringLiteral("c"));

        // The first item keeps its place and loses its caption.
        tray.RemoveMenuItem(0);
        QCOMPARE(tray.captions(), QStringList({"/a", "C/c"}));
    }

    void clicksOnTheIconAreDecoded() {
        Tray tray;
        QSignalSpy downs(&tray, &frmSysTray::SysTrayMouseDown);
        QSignalSpy doubles(&tray, &frmSysTray::SysTrayDoubleClick);
        QSystemTrayIcon* icon = tray.trayIcon();

        // A single left click arrives once the double-click interval has passed.
        emit icon->activated(QSystemTrayIcon::Trigger);
        QCOMPARE(downs.size(), 0);
        QTRY_COMPARE(downs.size(), 1);
        QCOMPARE(downs.at(0).at(0).toInt(), 1);

        // A double-click swallows the click that started it.
        downs.clear();
        emit icon->activated(QSystemTrayIcon::Trigger);
        emit icon->activated(QSystemTrayIcon::DoubleClick);
        QCOMPARE(doubles.size(), 1);
        QCOMPARE(doubles.at(0).at(0).toInt(), 1);
        QTest::qWait(QApplication::doubleClickInterval() + 100);
        QCOMPARE(downs.size(), 0);

        emit icon->activated(QSystemTrayIcon::Context);
        QCOMPARE(downs.size(), 1);
        QCOMPARE(downs.at(0).at(0).toInt(), 2);
    }
};

int RunFrmSysTrayTests(int argc, char** argv) {
    TestFrmSysTray test;
    return QTest::qExec(&test, argc, argv);
}

#include "frm_sys_tray_test.moc"
