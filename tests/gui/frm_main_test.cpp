#include <optional>
#include <string>

#include "base/application_build.h"
#include "config/ui/frm_reg_plugin.h"
#include "config/ui/frm_settings.h"
#include "gui/frm_main_client.h"
#include "gui/gui_tests.h"
#include "inbox/inbox_store.h"
#include "subscriptions/subscriptions.h"
#include "view/message_node.h"
#include "view/tree_control.h"
#include "view/ui/frm_options.h"

namespace vellorin::test {

// The main window in the tray: start-up, the tray menu and clicks, the close question, the
// desktop without a tray, what check runs show there.
class TestFrmMain : public QObject {
    Q_OBJECT

private slots:
    void startsHiddenInTheTrayWithTheWelcomeBalloonAndTheSettings() {
        const QByteArray settings("[app]\r\nschedule=1\r\nfreq=2\r\n[plugin]\r\nff=1\r\nie=0\r\n");
        Client client({settings});
        const QString caption = QStringLiteral("Vellorin (Professional Version)") +
                                QString::fromStdString(ApplicationBuild(true, true));
        QCOMPARE(client.window->windowTitle(), caption);
        QVERIFY(!client.window->isVisible());
        QCOMPARE(client.tray().ToolTip(), caption + QStringLiteral("\nNo unread messages"));
        const std::optional<frmSysTray::Balloon>& balloon = client.tray().LastBalloon();
        QVERIFY(balloon.has_value());
        QCOMPARE(balloon->title, QStringLiteral("Vellorin is available here!"));
        QCOMPARE(balloon->message,
                 QStringLiteral("Double-click to launch Application interface or Right-click for "
                                "more options."));
        QCOMPARE(balloon->icon, QSystemTrayIcon::Information);
        QCOMPARE(balloon->timeOutMs, 6000);
        QCOMPARE(client.panel(2), QStringLiteral("AutoCheck: Every 60 min"));
        QCOMPARE(client.panel(3), QStringLiteral("Status: Idle"));
        const frmMain::PlugInRegistration& reg = client.window->plugInRegistration();
        QVERIFY(reg.bRegister && reg.bFirefox && !reg.bIExplore && !reg.bStartTimer);
        // Silently started: no plug-in dialog.
        QVERIFY(client.window->plugInDialog() == nullptr);
        // Loading the settings never writes them.
        QCOMPARE(client.settings(), settings);
        QVERIFY(client.boxes.empty());
    }

    void aStartWithoutTheSilentSwitchShowsThePlugInDialogOnTop() {
        Client client({"", ""});
        QPointer<frmRegPlugin> dialog = client.window->plugInDialog();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QVERIFY(dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        dialog->btnCancel()->click();
        QTRY_VERIFY(dialog.isNull());
        // From the menu and the tray it opens as a plain modeless window, once.
        client.item("mnuToolsPlugIn")->trigger();
        client.choose("plugin");
        QList<frmRegPlugin*> open;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* d = qobject_cast<frmRegPlugin*>(w); d && d->isVisible())
                open << d;
        }
        QCOMPARE(open.size(), 1);
        QVERIFY(!open.front()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        open.front()->close();
    }

    void trayMenuHasTheCommandsInOrder() {
        Client client;
        const frmSysTray& tray = client.tray();
        const QStringList expected =
            QStringLiteral(
                "Show Inbox/show|-/|Subscribe to New Source/newsource|"
                "Check for New Messages/checkmsg|-/|Vellorin Dropbox/dropbox|-/|"
                "Plug-In Configuration/plugin|Settings/settings|-/|"
                "Help File/helpfile|Contact Us/email|Visit our Website/website|-/|"
                "Exit/exit")
                .split('|');
        QCOMPARE(tray.MenuItemCount(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(tray.MenuItemCaption(i) + "/" + tray.MenuItemKey(i), expected[i]);
            QCOMPARE(tray.mnuSysTray(i)->isSeparator(), expected[i] == "-/");
        }
        QCOMPARE(tray.DefaultMenuIndex(), 0);
        QVERIFY(tray.mnuSysTray(0)->font().bold());
    }

    void trayCommandsAndClicksShowTheWindowAndTheFirstItemMirrorsIt() {
        Client client;
        frmMain& w = *client.window;
        QSystemTrayIcon* icon = client.tray().trayIcon();
        auto first = [&] { return client.tray().MenuItemCaption(0); };
        client.choose("show");
        QVERIFY(w.isVisible());
        QCOMPARE(first(), QStringLiteral("Hide Inbox"));
        client.choose("show");
        QVERIFY(!w.isVisible());
        QCOMPARE(first(), QStringLiteral("Show Inbox"));

        // A double-click opens the inbox, and leaves it open when it is open already.
        emit icon->activated(QSystemTrayIcon::Trigger);
        emit icon->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(w.isVisible());
        emit icon->activated(QSystemTrayIcon::Trigger);
        emit icon->activated(QSystemTrayIcon::Trigger);
        emit icon->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(w.isVisible());
        QCOMPARE(first(), QStringLiteral("Hide Inbox"));
        // As two clicks from a D-Bus host, too.
        w.hide();
        emit icon->activated(QSystemTrayIcon::Trigger);
        emit icon->activated(QSystemTrayIcon::Trigger);
        QVERIFY(w.isVisible());
        QTest::qWait(QApplication::doubleClickInterval() + 100);
        QVERIFY(!client.tray().mnuPopup()->isVisible());

        // Shown or hidden by other means, the first item follows.
        w.hide();
        QCOMPARE(first(), QStringLiteral("Show Inbox"));
        w.show();
        QCOMPARE(first(), QStringLiteral("Hide Inbox"));

        // Minimising hides the window to the tray.
        w.showMinimized();
        QTRY_VERIFY(!w.isVisible());
        QCOMPARE(first(), QStringLiteral("Show Inbox"));
        // A right-click (as an X11 tray reports it) opens the menu.
        emit icon->activated(QSystemTrayIcon::Context);
        QVERIFY(client.tray().mnuPopup()->isVisible());
        client.tray().mnuPopup()->hide();
    }

    void closeAsksFirstAndUnloadsOnce() {
        Client client;
        frmMain& w = *client.window;
        QSignalSpy unloaded(&w, &frmMain::unloaded);
        QPointer<frmSysTray> tray = w.oSysTray();
        // Another window of the program, which the unload closes too.
        QWidget other;
        other.show();
        client.choose("show");
        client.answer = MsgAnswer::No;
        w.close();
        QCOMPARE(client.boxes.size(), std::size_t(1));
        const MessageBoxRequest& box = client.boxes.front();
        QCOMPARE(box.caption, std::string("Close Vellorin Application Now?"));
        QCOMPARE(box.text,
                 std::string("Are you sure you want to close Application? Instead, you may "
                             "minimize Application to System Tray area (bottom right corner of "
                             "your screen where system clock is shown).\r\n\r\n"
                             "Do you really want to close Application?"));
        QCOMPARE(box.icon, MsgIcon::Question);
        QCOMPARE(box.buttons, MsgButtons::YesNo);
        QCOMPARE(box.defaultButton, MsgDefault::First);
        QVERIFY(!w.isVisible());
        QCOMPARE(tray->MenuItemCaption(0), QStringLiteral("Show Inbox"));
        QCOMPARE(unloaded.size(), 0);
        QVERIFY(tray->trayIcon()->isVisible());
        QVERIFY(other.isVisible());

        // File > Exit asks the same question.
        client.choose("show");
        client.item("mnuFileExit")->trigger();
        QCOMPARE(client.boxes.size(), std::size_t(2));
        QVERIFY(!w.isVisible());

        // The tree pane floats: a window of its own, which must not outlive the exit (and with
        // it keep the program from ending).
        client.choose("show");
        QDockWidget* pane = w.ucFormDock();
        pane->setFloating(true);
        QVERIFY(pane->isVisible() && pane->isWindow());
        QVERIFY(!pane->close());
        client.answer = MsgAnswer::Yes;
        client.choose("exit");
        QCOMPARE(client.boxes.size(), std::size_t(3));
        QCOMPARE(unloaded.size(), 1);
        QTRY_VERIFY(tray.isNull());
        QVERIFY(!other.isVisible());
        QVERIFY(!pane->isVisible());
        QVERIFY(!w.plugInRegistration().bRegister);
        QVERIFY(!w.tmrSchedule()->isActive());
        w.close();
        QCOMPARE(client.boxes.size(), std::size_t(3));
        QCOMPARE(unloaded.size(), 1);
    }

    // The session manager says nothing when a logout is cancelled: the user's own close (Exit,
    // the close box) is the sign, and the question comes back.
    void aCancelledLogoutLeavesTheCloseQuestionToExit() {
        Client client;
        frmMain& w = *client.window;
        QSignalSpy unloaded(&w, &frmMain::unloaded);
        client.answer = MsgAnswer::No;
        w.QueryEndSession();
        client.choose("exit");
        QCOMPARE(client.boxes.size(), std::size_t(1));
        w.QueryEndSession();
        client.choose("show");
        client.item("mnuFileExit")->trigger();
        QCOMPARE(client.boxes.size(), std::size_t(2));
        QCOMPARE(unloaded.size(), 0);
        // A logout that goes on closes the windows without the question.
        w.QueryEndSession();
        w.close();
        QCOMPARE(client.boxes.size(), std::size_t(2));
        QCOMPARE(unloaded.size(), 1);
    }

    // A termination signal ends the program as Exit answered "Yes": no question, the drop box's
    // place stored.
    void unloadWithoutQuestionEndsAsExitAnsweredYes() {
        Client client;
        frmMain& w = *client.window;
        QSignalSpy unloaded(&w, &frmMain::unloaded);
        client.choose("dropbox");
        QVERIFY(w.dropBox() != nullptr);
        QVERIFY(!QFile::exists(client.appFile("settings.cfg")));
        w.UnloadWithoutQuestion();
        QCOMPARE(unloaded.size(), 1);
        QVERIFY(client.boxes.empty());
        QVERIFY(w.dropBox() == nullptr);
        QFile settings(client.appFile("settings.cfg"));
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QVERIFY(settings.readAll().contains("[dropbox]\r\nleft="));
    }

    void withoutATrayTheWindowStaysInTheTaskBar() {
        Client client({"", "-s", &WithoutTray});
        frmMain& w = *client.window;
        QVERIFY(w.isVisible());
        QVERIFY(!w.isMinimized());
        QVERIFY(client.panel(1).contains("no tray icons"));
        QCOMPARE(client.tray().MenuItemCaption(0), QStringLiteral("Hide Inbox"));

        w.showMinimized();
        QTest::qWait(0);
        QVERIFY(w.isVisible());
        QVERIFY(w.isMinimized());
        w.showNormal();
        client.item("mnuFileSystray")->trigger();
        QVERIFY(w.isVisible());
        QVERIFY(w.isMinimized());
        w.showNormal();
        client.answer = MsgAnswer::No;
        w.close();
        QCOMPARE(client.boxes.size(), std::size_t(1));
        QVERIFY(w.isVisible());
        QVERIFY(w.isMinimized());
    }

    // The tray icon carries the number of unread messages and its tip says where they are; a
    // check run's busy picture wins while it lasts.
    void theTrayCarriesTheUnreadCount() {
        Client client;
        client.window.reset();
        mSubscriptions& list = client.context->subscriptions;
        mInbox& inbox = client.context->inbox;
        int guid = 0;
        for (const auto& [title, unread] : {std::pair{"Alpha", 3}, std::pair{"Bravo", 1}}) {
            const std::string link = std::string("https://www.vellorin.net/feeds/") + title;
            QVERIFY(list.AddSource(title, link));
            list.CurrentSource.Link = link;
            QVERIFY(list.SourceAction(mSubscriptions::LoadSource));
            inbox.CurrentSourceID = list.CurrentSource.ID;
            for (int i = 0; i < unread; ++i) {
                inbox.LoadLatestStamp();
                inbox.CurrentItem = InboxItem{"Hello",
                                              "<p>Hi</p>",
                                              "Mon, 05 Dec 2026",
                                              "10:00:0" + std::to_string(i),
                                              "+0000",
                                              "g" + std::to_string(++guid),
                                              0};
                QVERIFY(inbox.SaveItem());
            }
        }
        client.window = std::make_unique<frmMain>(*client.context, nullptr, &WithTray);
        frmMain& w = *client.window;
        const QString caption = w.windowTitle();
        frmSysTray& tray = client.tray();
        QCOMPARE(tray.ToolTip(), caption + QStringLiteral("\n4 unread messages in 2 sources"));
        const qint64 withFour = tray.Icon().cacheKey();
        QVERIFY(withFour != w.windowIcon().cacheKey());
        // The number is drawn on the picture: it differs from the plain picture at tray sizes.
        const QImage plain = w.windowIcon().pixmap(22, 22).toImage();
        QVERIFY(tray.Icon().pixmap(22, 22).toImage() != plain);

        w.setTrayBusy(true);
        QCOMPARE(tray.Icon().cacheKey(), w.picBusy().cacheKey());
        TreeControl& tree = static_cast<frmOptions*>(w.treeWindow())->tvMessages();
        TreeNode* bravo = tree.topLevelNode(1);
        ShowNodeAsRead(*bravo->child(0));  // read while the run goes on
        QTRY_COMPARE(tray.ToolTip(), caption + QStringLiteral("\n3 unread messages in 1 source"));
        QCOMPARE(tray.Icon().cacheKey(), w.picBusy().cacheKey());
        w.setTrayBusy(false);
        QVERIFY(tray.Icon().cacheKey() != w.picBusy().cacheKey());

        // Every message read: the plain picture.
        TreeNode* alpha = tree.topLevelNode(0);
        for (int i = 0; i < alpha->childCount(); ++i)
            ShowNodeAsRead(*alpha->child(i));
        QTRY_COMPARE(tray.Icon().cacheKey(), w.windowIcon().cacheKey());
        QCOMPARE(tray.ToolTip(), caption + QStringLiteral("\nNo unread messages"));
        ShowNodeAsUnread(*alpha->child(0));
        QTRY_COMPARE(tray.ToolTip(), caption + QStringLiteral("\n1 unread message in 1 source"));
    }

    void checkRunsSwapTheTrayPictureAndAlertWithoutTakingTheFocus() {
        Client client;
        frmMain& w = *client.window;
        QLineEdit userWindow;
        userWindow.show();
        userWindow.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&userWindow));
        userWindow.setFocus();

        w.setTrayBusy(true);
        QCOMPARE(client.tray().Icon().cacheKey(), w.picBusy().cacheKey());
        w.setTrayBusy(false);
        QCOMPARE(client.tray().Icon().cacheKey(), w.windowIcon().cacheKey());

        w.ucTrayAlert(" \r\n ", 6000);
        QCOMPARE(client.tray().LastBalloon()->title, QStringLiteral("Vellorin is available here!"));
        w.ucTrayAlert("2 new messages in Alpha.", 6000);
        const frmSysTray::Balloon& alert = *client.tray().LastBalloon();
        QCOMPARE(alert.message, QStringLiteral("2 new messages in Alpha."));
        QCOMPARE(alert.title, QStringLiteral("Vellorin"));
        QCOMPARE(alert.timeOutMs, 6000);
        QTest::qWait(0);
        QCOMPARE(QApplication::activeWindow(), &userWindow);
        QCOMPARE(QApplication::focusWidget(), &userWindow);
        QVERIFY(!w.isVisible());
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(FrmMain)

#include "frm_main_test.moc"
