#include "gui/frm_main_client.h"
#include "notify/ui/frm_no_source_notify.h"
#include "subscriptions/ui/frm_subscr_list_manager.h"
#include "subscriptions/ui/frm_subscribe.h"

namespace vellorin::test {
namespace {

// How `window` was opened: "owner/modality".
QString Mode(const QWidget* window, const Client& client) {
    return QString(window->parentWidget() == client.window.get() ? "main" : "none") + "/" +
           QString::number(window->windowModality());
}

}  // namespace

// How the main window, its tray, the drop box and the plug-in's popup open the subscription
// windows (subscribing, checking and managing through them are the whole-program test's).
class TestMainSubscriptionCommands : public QObject {
    Q_OBJECT

private slots:
    void eachCommandOpensItsWindowInItsMode() {
        Client client;
        client.item("mnuMsgSourceNew")->trigger();
        QPointer<frmSubscribe> subscribe = frmSubscribe::Instance();
        QCOMPARE(Mode(subscribe, client), QStringLiteral("main/2"));
        QTest::keyClicks(subscribe->txtTitle(), "Kept");
        client.choose("newsource");  // the same window, brought forward
        QCOMPARE(frmSubscribe::Instance()->txtTitle()->text(), QStringLiteral("Kept"));
        subscribe->close();
        DeleteClosedWindows();
        client.item("mnuMsgSourceManage")->trigger();
        QPointer<frmSubscrListManager> manager = frmSubscrListManager::Instance();
        QCOMPARE(Mode(manager, client), QStringLiteral("none/2"));
        manager->close();
        DeleteClosedWindows();
        client.item("mnuToolsDropBox")->trigger();
        QMimeData mime;
        mime.setUrls({QUrl(QStringLiteral("http://www.vellorin.net/feeds/dropped"))});
        QVERIFY(Drop(client.window->dropBox(), mime));
        QTRY_VERIFY(frmSubscribe::Instance() != nullptr);
        QCOMPARE(Mode(frmSubscribe::Instance(), client), QStringLiteral("none/0"));
        frmSubscribe::Instance()->close();
        DeleteClosedWindows();
        // The no-source popup's windows are owned and go with the main window (they borrow
        // its tree).
        QList<QPointer<QDialog>> opened;
        for (const char* button : {"btnAdd", "btnManager"}) {
            client.window->showPopup(PlugInPopup::NoSourceNotify);
            QTest::mouseClick(client.window->noSourcePopup()->findChild<QPushButton*>(button),
                              Qt::LeftButton);
            opened << (button == QByteArray("btnAdd")
                           ? static_cast<QDialog*>(frmSubscribe::Instance())
                           : static_cast<QDialog*>(frmSubscrListManager::Instance()));
            QVERIFY(opened.last() && opened.last()->isVisible());
            QCOMPARE(Mode(opened.last(), client), QStringLiteral("main/0"));
        }
        client.window.reset();
        QVERIFY(opened[0].isNull() && opened[1].isNull());
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(MainSubscriptionCommands)

#include "main_subscription_commands_test.moc"
