#include <optional>
#include <string>
#include <vector>

#include "base/application_build.h"
#include "config/ui/frm_reg_plugin.h"
#include "config/ui/frm_settings.h"
#include "gui/frm_main_client.h"
#include "inbox/inbox_store.h"
#include "inbox/online_state.h"
#include "subscriptions/subscriptions.h"
#include "view/message_node.h"
#include "view/tree_control.h"
#include "view/ui/frm_options.h"

namespace vellorin::test {
namespace {

using Strings = std::vector<std::string>;

// A message window as the MDI area holds them: its page can be saved and printed.
class PageWindow : public QWidget {
    Q_OBJECT

public:
    Q_INVOKABLE void savePageAs() { ++calls; }
    Q_INVOKABLE void printPage() { calls += 10; }
    int calls = 0;
};

}  // namespace

// The main window: start-up in the tray, the tray menu and clicks, the close question, the
// desktop without a tray, the menus, the tree pane, the message tabs, the status bar.
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
        const frmSysTray::Balloon& balloon = *client.tray().LastBalloon();
        QCOMPARE(balloon.title, QStringLiteral("Vellorin is available here!"));
        QVERIFY(balloon.message.startsWith("Double-click to launch Application interface"));
        QCOMPARE(balloon.timeOutMs, 6000);
        QStringList panels;
        for (int i = 1; i <= 3; ++i)
            panels << client.panel(i);
        QCOMPARE(panels, QStringList({"Vellorin - your messages, delivered",
                                      "AutoCheck: Every 60 min", "Status: Idle"}));
        const frmMain::PlugInRegistration& reg = client.window->plugInRegistration();
        QVERIFY(reg.bRegister && reg.bFirefox && !reg.bIExplore && !reg.bStartTimer);
        QVERIFY(client.window->plugInDialog() == nullptr);  // silently started
        QCOMPARE(client.settings(), settings);
        QVERIFY(client.boxes.empty());
    }

    void aStartWithoutTheSilentSwitchShowsThePlugInDialogOnTop() {
        Client client({"", ""});
        QPointer<frmRegPlugin> dialog = client.window->plugInDialog();
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        dialog->btnCancel()->click();
        QTRY_VERIFY(dialog.isNull());
        // From the menu and the tray it opens as a plain modeless window, once.
        client.item("mnuToolsPlugIn")->trigger();
        client.choose("plugin");
        dialog = client.window->plugInDialog();
        QVERIFY(dialog && !dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        int open = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            open += qobject_cast<frmRegPlugin*>(w) && w->isVisible() ? 1 : 0;
        QCOMPARE(open, 1);
        dialog->close();
    }

    void menusHoldEveryItemWithItsCaptionAndShortcut() {
        Client client;
        QVERIFY(client.tray().mnuSysTray(0)->font().bold());
        const char* const items[][3] = {
            {"mnuFileSystray", "&Minimize to System Tray", "Ctrl+T"},
            {"mnuFileSaveAs", "&Save As", "Ctrl+S"},
            {"mnuFilePrint", "&Print", "Ctrl+P"},
            {"mnuFileCloseCurrent", "Close &Draft", "Ctrl+W"},
            {"mnuFileCloseAll", "Close &All", "Shift+F4"},
            {"mnuFileExit", "E&xit", "Ctrl+Q"},
            {"mnuMsgSourceNew", "Subscribe to &New Source", "Ctrl+N"},
            {"mnuMsgSourceCheckCurrent", "Check for New &Messages", "F5"},
            {"mnuMsgSourceCheckAll", "Check &All Sources for New Messages", "Ctrl+F5"},
            {"mnuMsgSourceManage", "&Subscription List Manager", "F3"},
            {"mnuToolsDropBox", "Vellorin &DropBox", "F9"},
            {"mnuToolsPlugIn", "Vellorin Plug-In Configuration", "F4"},
            {"mnuToolsSettings", "Se&ttings", "Ctrl+F4"},
            {"mnuHelpFile", "Online Help", "F1"},
            {"mnuHelpEmail", "Contact Us", "Ctrl+F1"},
            {"mnuHelpWebsite", "Visit our Website", "Shift+F1"},
            {"mnuHelpAbout", "About", ""},
        };
        for (const auto& [name, caption, shortcut] : items) {
            QAction* item = client.item(name);
            QVERIFY2(item, name);
            QCOMPARE(item->text() + "|" + item->shortcut().toString(),
                     QString::fromLatin1(caption) + "|" + shortcut);
        }
        QStringList titles;
        for (QAction* menu : client.window->menuBar()->actions())
            titles << menu->text();
        QCOMPARE(titles, QStringList({"&File", "Message Sources", "&Tools", "&Help"}));
        QVERIFY(!client.item("mnuHelpAbout")->isVisible());
        // The help items of the menu and the tray open the service's pages.
        for (const char* key : {"mnuHelpFile", "mnuHelpEmail"})
            client.item(key)->trigger();
        client.choose("website");
        QCOMPARE(client.opened,
                 QStringList({"https://www.vellorin.net/help/", "mailto:support@vellorin.net",
                              "https://www.vellorin.net/help/"}));
        // The shortcuts work in the window: Ctrl+T puts it into the tray.
        client.choose("show");
        client.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(client.window.get()));
        QTest::keyClick(client.window.get(), Qt::Key_T, Qt::ControlModifier);
        QVERIFY(!client.window->isVisible());
    }

    void trayCommandsAndClicksShowTheWindowAndTheFirstItemMirrorsIt() {
        Client client;
        frmMain& w = *client.window;
        QSystemTrayIcon* icon = client.tray().trayIcon();
        auto first = [&] { return client.tray().MenuItemCaption(0); };
        // A double-click (as a D-Bus host reports it: two clicks) opens the inbox and leaves it
        // open; how each host reports it is the tray's test.
        for (int i = 0; i < 4; ++i)
            emit icon->activated(QSystemTrayIcon::Trigger);
        QVERIFY(w.isVisible());
        QCOMPARE(first(), QStringLiteral("Hide Inbox"));
        QTest::qWait(QApplication::doubleClickInterval() + 100);
        QVERIFY(!client.tray().mnuPopup()->isVisible());
        // Minimising hides the window to the tray; a right-click opens the menu.
        w.showMinimized();
        QTRY_VERIFY(!w.isVisible());
        emit icon->activated(QSystemTrayIcon::Context);
        QVERIFY(client.tray().mnuPopup()->isVisible());
        client.tray().mnuPopup()->hide();
    }

    void closeAsksFirstAndUnloadsOnce() {
        Client client;
        frmMain& w = *client.window;
        QSignalSpy unloaded(&w, &frmMain::unloaded);
        QPointer<frmSysTray> tray = w.oSysTray();
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
        Client client({"", "-s", &WithoutTray});
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
        client.window = std::make_unique<frmMain>(*client.context, nullptr, &WithTray);
        frmMain& w = *client.window;
        frmSysTray& tray = client.tray();
        QCOMPARE(tray.ToolTip(), w.windowTitle() + "\n4 unread messages in 2 sources");
        QVERIFY(tray.Icon().pixmap(22, 22).toImage() != w.windowIcon().pixmap(22, 22).toImage());
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
        QCOMPARE(tray.LastBalloon()->title + "|" + tray.LastBalloon()->message,
                 QStringLiteral("Vellorin|2 new messages in Alpha."));
        QTest::qWait(0);
        QCOMPARE(QApplication::focusWidget(), &userWindow);
        for (int i = 0; i < 3; ++i)
            ShowNodeAsRead(*tree.topLevelNode(0)->child(i));
        QTRY_COMPARE(tray.Icon().cacheKey(), w.windowIcon().cacheKey());
    }

    void theTreePaneStaysAndMessageWindowsAreClosableTabs() {
        Client client;
        frmMain& w = *client.window;
        client.choose("show");
        QDockWidget* dock = w.ucFormDock();
        QVERIFY(!dock->close());
        dock->toggleViewAction()->trigger();
        QVERIFY(dock->isVisible());
        QMdiArea* area = w.mdiArea();
        QCOMPARE(area->objectName() + "|" + QString::number(area->viewMode()),
                 QStringLiteral("oTabs|1"));
        const MainMenus& m = w.menus();
        QVERIFY(!m.mnuFileSaveAs->isEnabled() && !m.mnuFileCloseAll->isEnabled());
        m.mnuFileSaveAs->trigger();  // nothing to act on: no crash
        auto* page = new PageWindow;
        QPointer<QMdiSubWindow> first = area->addSubWindow(page);
        first->setWindowTitle("First message");
        first->show();
        QPointer<QMdiSubWindow> second = area->addSubWindow(new QWidget);
        second->show();
        area->setActiveSubWindow(first);
        m.mnuFileSaveAs->trigger();
        m.mnuFilePrint->trigger();
        QCOMPARE(page->calls, 11);
        area->setActiveSubWindow(second);
        QVERIFY(!m.mnuFileSaveAs->isEnabled() && !m.mnuFilePrint->isEnabled());
        QTabBar* tabs = area->findChild<QTabBar*>();
        QCOMPARE(tabs->tabText(0), QStringLiteral("First message"));
        QTest::mouseClick(tabs->tabButton(0, QTabBar::RightSide), Qt::LeftButton);
        QTRY_VERIFY(first.isNull());
        for (int i = 0; i < 2; ++i)
            area->addSubWindow(new QWidget)->show();
        m.mnuFileCloseAll->trigger();
        QTRY_VERIFY(area->subWindowList().isEmpty());
    }

    void statusPanelsAndTheScheduleTimerFollowTheScheduler() {
        Client client({"[app]\r\nfreq=1\r\n"});
        frmMain& w = *client.window;
        QCOMPARE(client.panel(2), QStringLiteral("AutoCheck: Every 30 min"));
        client.clock.set(LocalTime(21, 5));
        const QDateTime now(QDate(2026, 12, 5), QTime(21, 5));
        QTRY_COMPARE(client.panel(4), QLocale().toString(now.date(), QLocale::ShortFormat));
        QCOMPARE(client.panel(5), QLocale().toString(now.time(), QLocale::ShortFormat));
        QTimer* timer = w.tmrSchedule();
        QCOMPARE(timer->interval(), 20000);
        TreeControl tree("tvMessages");
        TreeNode* source = tree.addRoot("0A0A0A0A-0000-0000-0000-000000000001", "A", kImageSource);
        source->setTag("http://127.0.0.1:9/feed");
        tree.setSelectedNode(source);
        w.setMessageTree(&tree);
        client.context->online.setOverride(false);
        w.tmrSchedule_Timer();  // offline: the tick runs nothing
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

    // The preferences open modally over the main window from the menu and the tray; a
    // frequency this version has no interval for is the default; panel 2 follows a save.
    void settingsOpenModallyAndPanel2FollowsThem() {
        Client client({"[app]\r\nfreq=7\r\n"});
        QCOMPARE(client.panel(2), QStringLiteral("AutoCheck: Every 15 min"));
        int seen = 0;
        for (const bool fromTray : {true, false}) {
            QTimer::singleShot(0, this, [&] {
                auto* dialog = qobject_cast<frmSettings*>(QApplication::activeModalWidget());
                QVERIFY(dialog && dialog->parentWidget() == client.window.get());
                ++seen;
                if (fromTray)
                    return dialog->btnCancel()->click();
                dialog->cmbFreq()->setCurrentIndex(2);
                dialog->btnSave()->click();
            });
            fromTray ? client.choose("settings") : client.item("mnuToolsSettings")->trigger();
        }
        QCOMPARE(seen, 2);
        QCOMPARE(client.panel(2), QStringLiteral("AutoCheck: Every 60 min"));
        QCOMPARE(client.captions(), Strings{"Done!"});
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(FrmMain)

#include "frm_main_test.moc"
