#include <functional>
#include <string>
#include <vector>

#include "gui/drop_box_world.h"
#include "gui/frm_main_client.h"
#include "gui/gui_tests.h"
#include "gui/subscription_world.h"
#include "inbox/check_feed_server.h"
#include "notify/ui/frm_no_source_notify.h"
#include "subscriptions/ui/frm_drop_box.h"
#include "subscriptions/ui/frm_subscr_list_manager.h"
#include "subscriptions/ui/frm_subscribe.h"
#include "view/ui/tree_view.h"

using Strings = std::vector<std::string>;

namespace vellorin::test {

namespace {

// The main window's message tree as its view shows it: the top-level rows' texts.
QStringList MainRows(const Client& client) {
    const auto* view = client.window->findChild<TreeView*>("tvMessages");
    return RowTexts(view ? view->model() : nullptr);
}

void Fill(QLineEdit* field, const QString& text) {
    field->selectAll();
    QTest::keyClicks(field, text);
}

}  // namespace

class TestMainSubscriptionCommands : public QObject {
    Q_OBJECT

private slots:
    // The menu item and the tray item open the one subscribe window, modal and owned by the main
    // window; a successful subscription shows in the main tree at once.
    void subscribeFromTheMenuAndTheTrayShowsInTheMainTreeAtOnce() {
        Client client;
        QCOMPARE(MainRows(client), QStringList());
        client.item("mnuMsgSourceNew")->trigger();
        frmSubscribe* window = frmSubscribe::Instance();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->parentWidget(), client.window.get());
        QCOMPARE(window->windowModality(), Qt::ApplicationModal);
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClicks(window->txtTitle(), "Second source");

        client.choose("newsource");
        QCOMPARE(frmSubscribe::Instance(), window);
        QCOMPARE(window->txtTitle()->text(), QStringLiteral("Second source"));
        QTest::keyClicks(window->txtLink(), "http://www.vellorin.net/feeds/second");
        QTest::mouseClick(window->btnSubscribe(), Qt::LeftButton);
        QCOMPARE(client.captions(), Strings{"Done!"});
        QCOMPARE(MainRows(client), QStringList({"Second source"}));
        DeleteClosedWindows();
        QCOMPARE(frmSubscribe::Instance(), nullptr);
    }

    // A link dropped on the drop box: the window opens modeless without owner, the link put in.
    void aDroppedLinkOpensTheWindowModelessWithTheLink() {
        Client client;
        client.item("mnuToolsDropBox")->trigger();
        QPointer<frmDropBox> box = client.window->dropBox();
        QVERIFY(box);
        QMimeData mime;
        mime.setUrls({QUrl(QStringLiteral("http://www.vellorin.net/feeds/dropped"))});
        QVERIFY(Drop(box, mime));
        QTRY_VERIFY(frmSubscribe::Instance() != nullptr);
        frmSubscribe* window = frmSubscribe::Instance();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->parentWidget(), nullptr);
        QCOMPARE(window->windowModality(), Qt::NonModal);
        QCOMPARE(window->txtLink()->text(),
                 QStringLiteral("http://www.vellorin.net/feeds/dropped"));
        QTest::keyClicks(window->txtTitle(), "Dropped");
        QTest::mouseClick(window->btnSubscribe(), Qt::LeftButton);
        QCOMPARE(MainRows(client), QStringList({"Dropped"}));
    }

    // The whole road with a second source on a local server: subscribed through the menu, checked,
    // renamed and unsubscribed in the manager (modal without owner), each step seen in the main
    // tree when the manager closes; its messages stay through the rename and go with its folder.
    void aLocalSourceIsSubscribedCheckedRenamedAndUnsubscribed() {
        PrepareLocalHttp();
        FeedServer server;
        server.serve("/www.vellorin.net/feed",
                     RssDocument(RssItem("g1", "First news", "Sat, 05 Dec 2026 08:00:00 +0000") +
                                 RssItem("g2", "Second news", "Sat, 05 Dec 2026 09:00:00 +0000")));
        const QString link = QString::fromStdString(server.url("/www.vellorin.net/feed"));
        Client client;
        client.context->online.setOverride(true);
        const auto* view = client.window->findChild<TreeView*>("tvMessages");
        QVERIFY(view);
        const auto messages = [&] {
            const QModelIndex source = view->model()->index(0, 0);
            return source.isValid() ? view->model()->rowCount(source) : -1;
        };

        client.item("mnuMsgSourceNew")->trigger();
        frmSubscribe* subscribe = frmSubscribe::Instance();
        QVERIFY(subscribe);
        QTest::keyClicks(subscribe->txtTitle(), "Local news");
        QTest::keyClicks(subscribe->txtLink(), link);
        QTest::mouseClick(subscribe->btnSubscribe(), Qt::LeftButton);
        QCOMPARE(MainRows(client), QStringList({"Local news"}));
        QCOMPARE(messages(), 0);
        DeleteClosedWindows();

        client.item("mnuMsgSourceCheckAll")->trigger();
        QVERIFY(messages() > 0);
        const int stored = messages();

        client.item("mnuMsgSourceManage")->trigger();
        frmSubscrListManager* manager = frmSubscrListManager::Instance();
        QVERIFY(manager && manager->isVisible());
        QCOMPARE(manager->parentWidget(), nullptr);
        QCOMPARE(manager->windowModality(), Qt::ApplicationModal);
        const TreeNode* node = manager->sources().findNode("main")->child(0);
        const QString inbox =
            QDir(client.dataHome.path()).filePath("data/" + QString::fromStdString(node->key()));
        QVERIFY(QDir(inbox).exists());
        manager->sources().setSelectedNode(manager->sources().findNode(node->key()));
        emit manager->tvSources()->DblClick();
        Fill(manager->txtTitle(), "Local news renamed");
        QTest::mouseClick(manager->btnAdd(), Qt::LeftButton);
        QVERIFY(manager->close());
        DeleteClosedWindows();
        QCOMPARE(MainRows(client), QStringList({"Local news renamed"}));
        QCOMPARE(messages(), stored);

        client.item("mnuMsgSourceManage")->trigger();
        manager = frmSubscrListManager::Instance();
        QVERIFY(manager);
        manager->sources().setSelectedNode(manager->sources().findNode("main")->child(0));
        client.answer = MsgAnswer::Yes;
        QTest::mouseClick(manager->btnDel(), Qt::LeftButton);
        QVERIFY(!QDir(inbox).exists());
        QCOMPARE(MainRows(client), QStringList({"Local news renamed"}));
        QVERIFY(manager->close());
        QCOMPARE(MainRows(client), QStringList());
    }

    // The no-source popup's two buttons open the subscribe window and the manager modeless and
    // owned by the main window, so that the user can go back to the site meanwhile.
    void theNoSourcePopupOpensItsWindowsModelessAndOwned() {
        const std::function<QDialog*()> instances[] = {
            [] { return frmSubscribe::Instance(); },
            [] { return frmSubscrListManager::Instance(); }};
        const char* const buttons[] = {"btnAdd", "btnManager"};
        for (int i = 0; i < 2; ++i) {
            Client client;
            client.window->showPopup(PlugInPopup::NoSourceNotify);
            QPointer<frmNoSourceNotify> popup = client.window->noSourcePopup();
            QVERIFY(popup);
            QTest::mouseClick(popup->findChild<QPushButton*>(buttons[i]), Qt::LeftButton);
            QDialog* window = instances[i]();
            QVERIFY2(window && window->isVisible(), buttons[i]);
            QCOMPARE(window->parentWidget(), client.window.get());
            QCOMPARE(window->windowModality(), Qt::NonModal);
            QCOMPARE(frmSubscribe::Instance() != nullptr, i == 0);
            QTRY_VERIFY(popup.isNull() || !popup->isVisible());
            window->close();
            DeleteClosedWindows();
        }
        QVERIFY(frmSubscribe::Instance() == nullptr && frmSubscrListManager::Instance() == nullptr);
    }

    // Windows left open when the main window goes are discarded with it (they borrow its tree).
    void openWindowsGoWithTheMainWindow() {
        Client client;
        client.item("mnuMsgSourceManage")->trigger();
        QPointer<frmSubscrListManager> manager = frmSubscrListManager::Instance();
        QVERIFY(manager);
        manager->close();
        DeleteClosedWindows();
        client.window->SubscribeDroppedLink("http://www.vellorin.net/feeds/x");
        QPointer<frmSubscribe> subscribe = frmSubscribe::Instance();
        QVERIFY(subscribe);
        client.item("mnuMsgSourceManage")->trigger();
        manager = frmSubscrListManager::Instance();
        QVERIFY(manager);
        client.window.reset();
        QVERIFY(subscribe.isNull());
        QVERIFY(manager.isNull());
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(MainSubscriptionCommands)

#include "main_subscription_commands_test.moc"
