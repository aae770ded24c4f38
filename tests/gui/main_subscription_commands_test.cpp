#include <functional>
#include <string>
#include <vector>

#include "gui/drop_box_world.h"
#include "gui/frm_main_client.h"
#include "gui/widget_helpers.h"
#include "inbox/check_feed_server.h"
#include "inbox/online_state.h"
#include "notify/ui/frm_no_source_notify.h"
#include "subscriptions/ui/frm_subscr_list_manager.h"
#include "subscriptions/ui/frm_subscribe.h"
#include "view/ui/tree_view.h"

namespace vellorin::test {
namespace {

QStringList MainRows(const Client& client) {
    const auto* view = client.window->findChild<TreeView*>("tvMessages");
    return RowTexts(view ? view->model() : nullptr);
}

// How `window` was opened: "owner/modality".
QString Mode(const QWidget* window, const Client& client) {
    return QString(window->parentWidget() == client.window.get() ? "main" : "none") + "/" +
           QString::number(window->windowModality());
}

}  // namespace

// The subscription windows as the main window, its tray, the drop box and the plug-in's popup
// open them.
class TestMainSubscriptionCommands : public QObject {
    Q_OBJECT

private slots:
    // The whole road with a source on a local server: subscribed through the menu (the tray
    // brings the same window forward), checked, renamed and unsubscribed in the manager, each
    // step seen in the main tree; the messages stay through the rename and go with the folder.
    void aLocalSourceIsSubscribedCheckedRenamedAndUnsubscribed() {
        PrepareLocalHttp();
        FeedServer server;
        server.serve("/www.vellorin.net/feed",
                     RssDocument(RssItem("g1", "First news", "Sat, 05 Dec 2026 08:00:00 +0000")));
        Client client;
        client.context->online.setOverride(true);
        const auto* view = client.window->findChild<TreeView*>("tvMessages");
        const auto messages = [&] { return view->model()->rowCount(view->model()->index(0, 0)); };
        client.item("mnuMsgSourceNew")->trigger();
        frmSubscribe* subscribe = frmSubscribe::Instance();
        QCOMPARE(Mode(subscribe, client), QStringLiteral("main/2"));
        QVERIFY(QTest::qWaitForWindowActive(subscribe));
        QTest::keyClicks(subscribe->txtTitle(), "Local news");
        client.choose("newsource");
        QCOMPARE(frmSubscribe::Instance(), subscribe);
        QTest::keyClicks(subscribe->txtLink(),
                         QString::fromStdString(server.url("/www.vellorin.net/feed")));
        QTest::mouseClick(subscribe->btnSubscribe(), Qt::LeftButton);
        QCOMPARE(MainRows(client), QStringList({"Local news"}));
        DeleteClosedWindows();
        client.item("mnuMsgSourceCheckAll")->trigger();
        QCOMPARE(messages(), 1);

        client.item("mnuMsgSourceManage")->trigger();
        frmSubscrListManager* manager = frmSubscrListManager::Instance();
        QCOMPARE(Mode(manager, client), QStringLiteral("none/2"));
        TreeNode* node = manager->sources().findNode("main")->child(0);
        const QString inbox = client.dataFile(QString::fromStdString(node->key()));
        manager->sources().setSelectedNode(node);
        emit manager->tvSources()->DblClick();
        manager->txtTitle()->setText("Local news renamed");
        QTest::mouseClick(manager->btnAdd(), Qt::LeftButton);
        manager->sources().setSelectedNode(manager->sources().findNode("main")->child(0));
        client.answer = MsgAnswer::Yes;
        QTest::mouseClick(manager->btnDel(), Qt::LeftButton);
        QVERIFY(!QDir(inbox).exists());
        QVERIFY(manager->close());
        QCOMPARE(MainRows(client), QStringList());
        QCOMPARE(client.captions(),
                 (std::vector<std::string>{"Done!", "Done!", "Unsubscribe Local news renamed??"}));
    }

    // A dropped link opens the window modeless without owner, the link put in.
    void aDroppedLinkOpensTheWindowModelessWithTheLink() {
        Client client;
        client.item("mnuToolsDropBox")->trigger();
        QMimeData mime;
        mime.setUrls({QUrl(QStringLiteral("http://www.vellorin.net/feeds/dropped"))});
        QVERIFY(Drop(client.window->dropBox(), mime));
        QTRY_VERIFY(frmSubscribe::Instance() != nullptr);
        frmSubscribe* window = frmSubscribe::Instance();
        QCOMPARE(Mode(window, client), QStringLiteral("none/0"));
        QCOMPARE(window->txtLink()->text(), "http://www.vellorin.net/feeds/dropped");
        QTest::keyClicks(window->txtTitle(), "Dropped");
        QTest::mouseClick(window->btnSubscribe(), Qt::LeftButton);
        QCOMPARE(MainRows(client), QStringList({"Dropped"}));
    }

    // The no-source popup's buttons open their windows modeless and owned by the main window;
    // windows left open go with the main window (they borrow its tree).
    void thePopupOpensItsWindowsModelessAndTheyGoWithTheMainWindow() {
        Client client;
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
