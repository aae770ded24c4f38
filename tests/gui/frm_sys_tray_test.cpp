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

QIcon SomeIcon() {
    return QApplication::style()->standardIcon(QStyle::SP_DirIcon);
}

QStringList Captions(const frmSysTray& tray) {
    QStringList out;
    for (int i = 0; i < tray.MenuItemCount(); ++i)
        out << tray.MenuItemCaption(i);
    return out;
}

QStringList Keys(const frmSysTray& tray) {
    QStringList out;
    for (int i = 0; i < tray.MenuItemCount(); ++i)
        out << tray.MenuItemKey(i);
    return out;
}

}  // namespace

class TestFrmSysTray : public QObject {
    Q_OBJECT

private slots:
    void iconIsInTheTrayWhileLoaded();
    void addedItemsGetConsecutiveIndexesAndADefault();
    void removingAnItemShiftsTheLaterOnesUp();
    void choosingAnItemReportsItsCurrentIndexAndKey();
    void clicksOnTheIconAreDecoded();
};

void TestFrmSysTray::iconIsInTheTrayWhileLoaded() {
    frmSysTray tray(SomeIcon());
    QVERIFY(tray.trayIcon()->isVisible());
    QVERIFY(!tray.Icon().isNull());
    QCOMPARE(tray.trayIcon()->contextMenu(), tray.mnuPopup());
    tray.SetToolTip(QStringLiteral("tip"));
    QCOMPARE(tray.ToolTip(), QStringLiteral("tip"));
    tray.Unload();
    QVERIFY(!tray.trayIcon()->isVisible());
}

void TestFrmSysTray::addedItemsGetConsecutiveIndexesAndADefault() {
    frmSysTray tray(SomeIcon());
    QCOMPARE(tray.AddMenuItem("A", "a"), 0);
    QCOMPARE(tray.AddMenuItem("-"), 1);
    QCOMPARE(tray.AddMenuItem("C", "c", true), 2);
    QCOMPARE(tray.DefaultMenuIndex(), 2);
    QCOMPARE(tray.mnuPopup()->defaultAction(), tray.mnuSysTray(2));
    QCOMPARE(tray.mnuPopup()->actions().size(), 3);
    QVERIFY(tray.mnuSysTray(1)->isSeparator());
    QVERIFY(!tray.mnuSysTray(0)->isSeparator());

    // A caption of "-" turns an item into a separator and back.
    tray.SetMenuItemCaption(0, "-");
    QVERIFY(tray.mnuSysTray(0)->isSeparator());
    tray.SetMenuItemCaption(0, "A again");
    QVERIFY(!tray.mnuSysTray(0)->isSeparator());

    tray.SetDefaultMenuIndex(7);
    QCOMPARE(tray.DefaultMenuIndex(), 0);
    QCOMPARE(tray.mnuPopup()->defaultAction(), tray.mnuSysTray(0));
    tray.SetDefaultMenuIndex(-1);
    QCOMPARE(tray.DefaultMenuIndex(), 0);

    tray.EnableMenuItem(2, false);
    QVERIFY(!tray.mnuSysTray(2)->isEnabled());
    tray.EnableMenuItem(3, false);  // ignored
    tray.EnableMenuItem(-1, false);
    QVERIFY(tray.mnuSysTray(0)->isEnabled());
    QCOMPARE(tray.MenuItemCaption(9), QString());
    QCOMPARE(tray.mnuSysTray(9), nullptr);
}

void TestFrmSysTray::removingAnItemShiftsTheLaterOnesUp() {
    frmSysTray tray(SomeIcon());
    tray.AddMenuItem("A", "a");
    tray.AddMenuItem("B", "b");
    tray.AddMenuItem("C", "c", true);
    QCOMPARE(tray.RemoveMenuItem(1), 0);
    QCOMPARE(Captions(tray), QStringList({"A", "C"}));
    QCOMPARE(Keys(tray), QStringList({"a", "c"}));
    QCOMPARE(tray.mnuPopup()->actions().size(), 2);
    // The default was the item that went away with the last place.
    QCOMPARE(tray.DefaultMenuIndex(), 0);

    QCOMPARE(tray.RemoveMenuItem(5), 0);  // invalid: nothing happens
    QCOMPARE(tray.MenuItemCount(), 2);

    // The first item keeps its place and loses its caption.
    tray.RemoveMenuItem(0);
    QCOMPARE(Captions(tray), QStringList({"", "C"}));
}

void TestFrmSysTray::choosingAnItemReportsItsCurrentIndexAndKey() {
    frmSysTray tray(SomeIcon());
    tray.AddMenuItem("A", "a");
    tray.AddMenuItem("B", "b");
    tray.AddMenuItem("C", "c");
    QSignalSpy clicks(&tray, &frmSysTray::MenuClick);

    tray.mnuSysTray(2)->trigger();
    QCOMPARE(clicks.size(), 1);
    QCOMPARE(clicks.at(0).at(0).toInt(), 2);
    QCOMPARE(clicks.at(0).at(1).toString(), QStringLiteral("c"));

    // After a removal the entry at index 1 carries the moved caption and key.
    tray.RemoveMenuItem(1);
    tray.mnuSysTray(1)->trigger();
    QCOMPARE(clicks.size(), 2);
    QCOMPARE(clicks.at(1).at(0).toInt(), 1);
    QCOMPARE(clicks.at(1).at(1).toString(), QStringLiteral("c"));
}

void TestFrmSysTray::clicksOnTheIconAreDecoded() {
    frmSysTray tray(SomeIcon());
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

int RunFrmSysTrayTests(int argc, char** argv) {
    TestFrmSysTray test;
    return QTest::qExec(&test, argc, argv);
}

#include "frm_sys_tray_test.moc"
