#include <optional>
#include <string>
#include <vector>

#include "config/ui/frm_settings.h"
#include "gui/frm_main_client.h"
#include "inbox/online_state.h"
#include "view/message_node.h"
#include "view/tree_control.h"
#include "view/ui/frm_options.h"

namespace vellorin::test {

using Strings = std::vector<std::string>;

class TestFrmMain : public QObject {
    Q_OBJECT

private slots:
    // Started silently: hidden in the tray, the stored plug-in choices read, settings.cfg left
    // as it was; the help items of the menu and the tray open the service's pages.
    void startsHiddenInTheTrayAndTheMenusAreWired() {
        const QByteArray settings("[app]\r\nschedule=1\r\nfreq=2\r\n[plugin]\r\nff=1\r\nie=0\r\n");
        Client client({settings});
        QVERIFY(!client.window->isVisible());
        QCOMPARE(client.tray().ToolTip(), client.window->windowTitle() + "\nNo unread messages");
        const frmMain::PlugInRegistration& reg = client.window->plugInRegistration();
        QVERIFY(reg.bRegister && reg.bFirefox && !reg.bIExplore && !reg.bStartTimer);
        QVERIFY(client.window->plugInDialog() == nullptr);
        QCOMPARE(client.settings(), settings);
        client.item("mnuHelpEmail")->trigger();
        client.choose("website");
        QCOMPARE(client.opened,
                 QStringList({"mailto:support@vellorin.net", "https://www.vellorin.net/help/"}));
        QVERIFY(client.boxes.empty());
    }

    // Closing and minimising hide to the tray; Exit asks (Yes not the default) and unloads once.
    void closeAsksFirstAndUnloadsOnce() {
        Client client;
        frmMain& w = *client.window;
        QSignalSpy unloaded(&w, &frmMain::unloaded);
        QPointer<frmSysTray> tray = w.oSysTray();
        client.choose("show");
        w.showMinimized();
        QTRY_VERIFY(!w.isVisible());
        client.choose("show");
        client.answer = MsgAnswer::No;
        w.close();
        client.item("mnuFileExit")->trigger();
        QCOMPARE(client.captions(), Strings(2, "Close Vellorin Application Now?"));
        QCOMPARE(client.boxes[0].defaultButton, MsgDefault::First);
        QVERIFY(!w.isVisible());
        QCOMPARE(unloaded.size(), 0);
        client.answer = MsgAnswer::Yes;
        client.choose("exit");
        QCOMPARE(unloaded.size(), 1);
        QTRY_VERIFY(tray.isNull());
        QVERIFY(!w.tmrSchedule()->isActive());
        w.close();
        QCOMPARE(client.boxes.size(), std::size_t(3));
        QCOMPARE(unloaded.size(), 1);
    }

    // The session manager says nothing when a logout is cancelled: the user's own close is the
    // sign, and the question comes back; a logout that goes on closes without it.
    void aCancelledLogoutLeavesTheCloseQuestionToExit() {
        Client client;
        QSignalSpy unloaded(client.window.get(), &frmMain::unloaded);
        client.answer = MsgAnswer::No;
        client.window->QueryEndSession();
        client.choose("exit");
        QCOMPARE(client.boxes.size(), std::size_t(1));
        client.window->QueryEndSession();
        client.window->close();
        QCOMPARE(client.boxes.size(), std::size_t(1));
        QCOMPARE(unloaded.size(), 1);
    }

    void withoutATrayTheWindowStaysInTheTaskBar() {
        Client client({"", "-s", WithoutTray});
        frmMain& w = *client.window;
        QVERIFY(w.isVisible() && !w.isMinimized());
        QVERIFY(client.panel(1).contains("no tray icons"));
        client.item("mnuFileSystray")->trigger();
        QVERIFY(w.isVisible() && w.isMinimized());
        w.showNormal();
        client.answer = MsgAnswer::No;
        w.close();
        QVERIFY(w.isVisible() && w.isMinimized());
    }

    // The icon carries the unread count and its tip says where; a run's busy picture wins while
    // it lasts; the run's alert takes no focus.
    void theTrayCarriesTheUnreadCountAndTheRunsPicture() {
        Client client;
        client.window.reset();
        for (const auto& [title, unread] : {std::pair{"Alpha", 3}, std::pair{"Bravo", 1}}) {
            const std::string id = Subscribe(
                *client.context, title, std::string("https://www.vellorin.net/feeds/") + title);
            for (int i = 0; i < unread; ++i)
                QVERIFY(Store(*client.context, id, title + std::to_string(i), "Hello",
                              "Mon, 05 Dec 2026", "10:00:0" + std::to_string(i), false));
        }
        client.window = std::make_unique<frmMain>(*client.context, nullptr, WithTray);
        frmMain& w = *client.window;
        frmSysTray& tray = client.tray();
        QCOMPARE(tray.ToolTip(), w.windowTitle() + "\n4 unread messages in 2 sources");
        QLineEdit userWindow;
        userWindow.show();
        userWindow.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&userWindow));
        w.setTrayBusy(true);
        TreeControl& tree = static_cast<frmOptions*>(w.treeWindow())->tvMessages();
        ShowNodeAsRead(*tree.topLevelNode(1)->child(0));  // read while the run goes on
        QTRY_COMPARE(tray.ToolTip(), w.windowTitle() + "\n3 unread messages in 1 source");
        QCOMPARE(tray.Icon().cacheKey(), w.picBusy().cacheKey());
        w.setTrayBusy(false);
        w.ucTrayAlert("2 new messages in Alpha.", 6000);
        QCOMPARE(tray.LastBalloon()->message, QStringLiteral("2 new messages in Alpha."));
        QTest::qWait(0);
        QCOMPARE(QApplication::focusWidget(), &userWindow);
        for (int i = 0; i < 3; ++i)
            ShowNodeAsRead(*tree.topLevelNode(0)->child(i));
        QTRY_COMPARE(tray.Icon().cacheKey(), w.windowIcon().cacheKey());
    }

    // Offline, neither the timer nor the menu and tray checks run; the timer's interval and
    // panel 3 follow the scheduler.
    void theScheduleTimerAndStatusPanelsFollowTheScheduler() {
        Client client({"[app]\r\nfreq=1\r\n"});
        frmMain& w = *client.window;
        client.clock.set(LocalTime(21, 5));
        QTimer* timer = w.tmrSchedule();
        QCOMPARE(timer->interval(), 20000);
        TreeControl tree("tvMessages");
        TreeNode* source = tree.addRoot("0A0A0A0A-0000-0000-0000-000000000001", "A", kImageSource);
        source->setTag("http://127.0.0.1:9/feed");
        tree.setSelectedNode(source);
        w.setMessageTree(&tree);
        client.context->online.setOverride(false);
        w.tmrSchedule_Timer();
        QVERIFY(client.context->scheduler.LastCheck == std::nullopt);
        client.item("mnuMsgSourceCheckCurrent")->trigger();
        client.choose("checkmsg");
        QCOMPARE(client.captions(), Strings(2, "Working Offline?"));
        client.context->online.setOverride(true);
        w.tmrSchedule_Timer();
        QCOMPARE(timer->interval(), 2000);
        QCOMPARE(client.panel(3), QStringLiteral("Status: Idle (Last Check: 09:05:00 PM)"));
        client.context->scheduler.DisableTimer();
        QVERIFY(!timer->isActive());
        w.EnableScheduleTimer();
        QVERIFY(timer->isActive());
    }

    // The preferences open modally over the main window; a frequency this version has no
    // interval for is the default; panel 2 follows a save.
    void settingsOpenModallyAndPanel2FollowsThem() {
        Client client({"[app]\r\nfreq=7\r\n"});
        QCOMPARE(client.panel(2), QStringLiteral("AutoCheck: Every 15 min"));
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<frmSettings*>(QApplication::activeModalWidget());
            QVERIFY(dialog && dialog->parentWidget() == client.window.get());
            seen = true;
            dialog->cmbFreq()->setCurrentIndex(2);
            dialog->btnSave()->click();
        });
        client.choose("settings");
        QVERIFY(seen);
        QCOMPARE(client.panel(2), QStringLiteral("AutoCheck: Every 60 min"));
        QCOMPARE(client.captions(), Strings{"Done!"});
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(FrmMain)

#include "frm_main_test.moc"
