#include <optional>
#include <string>
#include <vector>

#include "base/application_build.h"
#include "config/ui/frm_reg_plugin.h"
#include "config/ui/frm_settings.h"
#include "gui/frm_main_client.h"
#include "gui/gui_tests.h"
#include "view/tree_control.h"

namespace vellorin::test {
namespace {

// A message window as the MDI area holds them: its page can be saved and printed.
class PageWindow : public QWidget {
    Q_OBJECT

public:
    Q_INVOKABLE void savePageAs() { ++saves; }
    Q_INVOKABLE void printPage() { ++prints; }
    int saves = 0;
    int prints = 0;
};

}  // namespace

// The main window's frame: the menu bar, the tree pane, the message windows, the status bar and
// the schedule, the commands of the menus.
class TestFrmMainFrame : public QObject {
    Q_OBJECT

private slots:
    void menuBarHoldsEveryItemWithItsCaptionAndShortcut() {
        Client client;
        const struct {
            const char* name;
            const char* caption;
            const char* shortcut;
        } items[] = {
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
        for (const auto& expected : items) {
            QAction* item = client.item(expected.name);
            QVERIFY2(item, expected.name);
            QCOMPARE(item->text(), QString::fromLatin1(expected.caption));
            QCOMPARE(item->shortcut(), QKeySequence(QString::fromLatin1(expected.shortcut)));
        }
        QStringList titles;
        for (QAction* menu : client.window->menuBar()->actions())
            titles << menu->text();
        QCOMPARE(titles, QStringList({"&File", "Message Sources", "&Tools", "&Help"}));
        // "About" is hidden with the separator before it.
        const QList<QAction*> help = client.window->menus().mnuHelp->actions();
        QCOMPARE(help.back(), client.item("mnuHelpAbout"));
        QVERIFY(!help.back()->isVisible());
        QVERIFY(help[help.size() - 2]->isSeparator() && !help[help.size() - 2]->isVisible());
        QVERIFY(client.item("mnuToolsDropBox")->isCheckable());

        // The shortcuts work in the window: Ctrl+T puts it into the tray.
        client.choose("show");
        client.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(client.window.get()));
        QTest::keyClick(client.window.get(), Qt::Key_T, Qt::ControlModifier);
        QVERIFY(!client.window->isVisible());
        QCOMPARE(client.tray().MenuItemCaption(0), QStringLiteral("Show Inbox"));
    }

    void theTreePaneCannotBeClosed() {
        Client client;
        frmMain& w = *client.window;
        client.choose("show");
        QDockWidget* dock = w.findChild<QDockWidget*>("ucFormDock");
        QVERIFY(dock);
        QCOMPARE(w.ucFormDock(), dock);
        QVERIFY(!dock->features().testFlag(QDockWidget::DockWidgetClosable));
        QVERIFY(dock->isVisible());
        QVERIFY(!dock->close());
        QVERIFY(dock->isVisible());
        dock->toggleViewAction()->trigger();
        QVERIFY(dock->isVisible());
        dock->setFloating(true);
        QVERIFY(!dock->close());
        QVERIFY(dock->isVisible());
        dock->setFloating(false);

        // The tree window takes the placeholder's place.
        QPointer<QWidget> placeholder = w.treeWindow();
        auto* tree = new QLabel("tree");
        tree->setWindowTitle("Message Sources and Options");
        w.setTreeWindow(tree);
        QCOMPARE(dock->widget(), tree);
        QCOMPARE(w.treeWindow(), tree);
        QCOMPARE(dock->windowTitle(), QStringLiteral("Message Sources and Options"));
        QTRY_VERIFY(placeholder.isNull());
        QVERIFY(tree->isVisible());
    }

    void messageWindowsAreClosableTabsAndTheFileItemsActOnTheActiveOne() {
        Client client;
        frmMain& w = *client.window;
        client.choose("show");
        QMdiArea* area = w.mdiArea();
        QCOMPARE(area->objectName(), QStringLiteral("oTabs"));
        QCOMPARE(area->viewMode(), QMdiArea::TabbedView);
        QVERIFY(area->tabsClosable());
        QVERIFY(area->documentMode());
        const MainMenus& m = w.menus();
        QVERIFY(!m.mnuFileSaveAs->isEnabled() && !m.mnuFilePrint->isEnabled());
        QVERIFY(!m.mnuFileCloseCurrent->isEnabled() && !m.mnuFileCloseAll->isEnabled());
        // Nothing to act on: no crash.
        m.mnuFileSaveAs->trigger();
        m.mnuFileCloseCurrent->trigger();

        auto* page = new PageWindow;
        page->setWindowTitle("First message");
        QPointer<QMdiSubWindow> first = area->addSubWindow(page);
        first->show();
        auto* other = new QWidget;
        other->setWindowTitle("Second message");
        QPointer<QMdiSubWindow> second = area->addSubWindow(other);
        second->show();
        area->setActiveSubWindow(first);
        QVERIFY(m.mnuFileSaveAs->isEnabled() && m.mnuFilePrint->isEnabled());
        QVERIFY(m.mnuFileCloseCurrent->isEnabled() && m.mnuFileCloseAll->isEnabled());
        m.mnuFileSaveAs->trigger();
        m.mnuFilePrint->trigger();
        QCOMPARE(page->saves, 1);
        QCOMPARE(page->prints, 1);
        // A window that cannot save or print leaves the two items off.
        area->setActiveSubWindow(second);
        QVERIFY(!m.mnuFileSaveAs->isEnabled() && !m.mnuFilePrint->isEnabled());

        // A tab's close button closes its window.
        QTabBar* tabs = area->findChild<QTabBar*>();
        QVERIFY(tabs);
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->tabText(0), QStringLiteral("First message"));
        auto* close = qobject_cast<QAbstractButton*>(tabs->tabButton(0, QTabBar::RightSide));
        QVERIFY(close);
        QTest::mouseClick(close, Qt::LeftButton);
        QTRY_VERIFY(first.isNull());
        QCOMPARE(tabs->count(), 1);
        QCOMPARE(tabs->tabText(0), QStringLiteral("Second message"));

        // Close Draft (Ctrl+W, pressed in the message window) closes the active window, Close All
        // every one.
        area->setActiveSubWindow(second);
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(other, Qt::Key_W, Qt::ControlModifier);
        QTRY_VERIFY(second.isNull());
        QVERIFY(area->subWindowList().isEmpty());
        for (int i = 0; i < 3; ++i)
            area->addSubWindow(new QWidget)->show();
        m.mnuFileCloseAll->trigger();
        QTRY_VERIFY(area->subWindowList().isEmpty());
        QVERIFY(!m.mnuFileCloseAll->isEnabled());
    }

    void statusPanelsAndTheScheduleTimerFollowTheScheduler() {
        Client client({"[app]\r\nfreq=1\r\n"});
        frmMain& w = *client.window;
        QCOMPARE(client.panel(1), QStringLiteral("Vellorin - your messages, delivered"));
        QCOMPARE(client.panel(2), QStringLiteral("AutoCheck: Every 30 min"));
        QCOMPARE(client.panel(3), QStringLiteral("Status: Idle"));

        // Panels 4 and 5 keep the date and time current.
        client.clock.set(LocalTime(21, 5));
        const QDateTime now = QDateTime(QDate(2026, 12, 5), QTime(21, 5));
        QTRY_COMPARE(client.panel(4), QLocale().toString(now.date(), QLocale::ShortFormat));
        QCOMPARE(client.panel(5), QLocale().toString(now.time(), QLocale::ShortFormat));

        QTimer* timer = w.tmrSchedule();
        QCOMPARE(timer->objectName(), QStringLiteral("tmrSchedule"));
        QCOMPARE(timer->interval(), 20000);
        QVERIFY(timer->isActive());
        // The tree window's message tree is the one the schedule checks; offline, a tick runs
        // nothing.
        TreeControl tree("tvMessages");
        w.setMessageTree(&tree);
        client.context->online.setOverride(false);
        w.tmrSchedule_Timer();
        QVERIFY(client.context->scheduler.LastCheck == std::nullopt);
        QCOMPARE(timer->interval(), 20000);
        QVERIFY(timer->isActive());
        QCOMPARE(client.panel(3), QStringLiteral("Status: Idle"));

        client.context->online.setOverride(true);
        w.tmrSchedule_Timer();
        QCOMPARE(timer->interval(), 2000);
        QVERIFY(timer->isActive());
        QCOMPARE(client.panel(3), QStringLiteral("Status: Idle (Last Check: 09:05:00 PM)"));
        QVERIFY(tree.enabled());

        client.context->scheduler.DisableTimer();
        QVERIFY(!timer->isActive());
        w.EnableScheduleTimer();
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 2000);
        QVERIFY(client.boxes.empty());
    }

    void checkCommandsRunOnTheMessageTree() {
        Client client;
        frmMain& w = *client.window;
        // No tree yet: nothing happens.
        client.item("mnuMsgSourceCheckCurrent")->trigger();
        client.item("mnuMsgSourceCheckAll")->trigger();
        client.choose("checkmsg");
        QVERIFY(client.boxes.empty());

        TreeControl tree("tvMessages");
        TreeNode* source =
            tree.addRoot("0A0A0A0A-0000-0000-0000-000000000001", "Alpha", kImageSource);
        source->setTag("http://127.0.0.1:9/feed");
        tree.setSelectedNode(source);
        w.setMessageTree(&tree);
        client.context->online.setOverride(false);
        client.item("mnuMsgSourceCheckCurrent")->trigger();
        client.item("mnuMsgSourceCheckAll")->trigger();
        client.choose("checkmsg");
        QCOMPARE(client.captions(), std::vector<std::string>(3, std::string("Working Offline?")));
        QCOMPARE(client.panel(3), QStringLiteral("Status: Idle"));
        QVERIFY(tree.enabled());
    }

    void helpItemsOpenTheServicePages() {
        Client client;
        client.item("mnuHelpFile")->trigger();
        client.item("mnuHelpEmail")->trigger();
        client.item("mnuHelpWebsite")->trigger();
        client.choose("helpfile");
        client.choose("email");
        client.choose("website");
        const QString help = QStringLiteral("https://www.vellorin.net/help/");
        const QString mail = QStringLiteral("mailto:support@vellorin.net");
        QCOMPARE(client.opened, QStringList({help, mail, help, help, mail, help}));
    }

    void settingsOpenModallyFromTheMenuAndTheTray() {
        Client client;
        int seen = 0;
        auto answer = [&] {
            QTimer::singleShot(0, this, [&] {
                auto* dialog = qobject_cast<frmSettings*>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                QCOMPARE(dialog->parentWidget(), client.window.get());
                ++seen;
                dialog->btnCancel()->click();
            });
        };
        answer();
        client.item("mnuToolsSettings")->trigger();
        answer();
        client.choose("settings");
        QCOMPARE(seen, 2);
        QVERIFY(!QFile::exists(client.appFile("settings.cfg")));
    }

    // A frequency this version has no interval for is the default; panel 2 follows a save.
    void anUnknownFrequencyIsTheDefaultAndPanel2FollowsTheSettings() {
        Client client({"[app]\r\nfreq=7\r\n"});
        QCOMPARE(client.panel(2), QStringLiteral("AutoCheck: Every 15 min"));
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<frmSettings*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->cmbFreq()->currentIndex(), 0);
            dialog->cmbFreq()->setCurrentIndex(2);
            dialog->btnSave()->click();
        });
        client.item("mnuToolsSettings")->trigger();
        QCOMPARE(client.panel(2), QStringLiteral("AutoCheck: Every 60 min"));
        QCOMPARE(client.captions(), std::vector<std::string>{"Done!"});
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(FrmMainFrame)

#include "frm_main_frame_test.moc"
