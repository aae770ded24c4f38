#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "browserlink/firefox_session.h"
#include "browserlink/session_file.h"
#include "browserlink/url_monitor.h"
#include "config/ui/frm_reg_plugin.h"
#include "gui/frm_main_client.h"
#include "inbox/inbox_store.h"
#include "notify/ui/frm_no_source_notify.h"
#include "notify/ui/frm_notification.h"
#include "subscriptions/ui/frm_subscr_list_manager.h"
#include "subscriptions/ui/frm_subscribe.h"
#include "support/run_process.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "view/tree_control.h"
#include "view/ui/frm_options.h"
#include "view/ui/tree_view.h"

namespace vellorin::test {
namespace {

// How `window` was opened: "owner/modality".
QString Mode(const QWidget* window, const Client& client) {
    return QString(window->parentWidget() == client.window.get() ? "main" : "none") + "/" +
           QString::number(window->windowModality());
}

const std::string kSite = "https://www.vellorin.net/inbox";
const std::string kOther = "https://www.example.com/news";

// A client with the plug-in's `settings` in a home with a Firefox profile, whose session file
// the test rewrites as Firefox would.
struct PlugInClient {
    explicit PlugInClient(const QByteArray& settings) : client({settings}) {
        home.write(".mozilla/firefox/profiles.ini", ProfilesIni("t.default"));
        QFile::copy(QDir(VELLORIN_RESOURCES_DIR).filePath("urls.lst"), client.appFile("urls.lst"));
        client.window.reset();
        client.window = std::make_unique<frmMain>(*client.context, nullptr, WithTray);
    }
    // Firefox now shows `url` (a later modification time each time); one tick of the monitor,
    // with the answer of the file's read (on a thread of its own) handed back to this thread.
    void show(const std::string& url) {
        const std::string path =
            home.write(".mozilla/firefox/t.default/sessionstore-backups/recovery.jsonlz4",
                       MozLz4(SessionJson(url, "Page")));
        std::filesystem::last_write_time(
            path, std::filesystem::file_time_type(std::chrono::seconds(1'700'000'000 + ++step)));
        clsURLMon& monitor = *w().oUrlMon();
        monitor.myTimer_ThatTime();
        if (auto* firefox = dynamic_cast<FirefoxSessionSource*>(monitor.source(kBrowserFirefox)))
            firefox->waitForRead();
        QCoreApplication::sendPostedEvents();
    }
    // Closes the no-source popup, if open, by its "Close Window" label.
    void dismiss() {
        if (w().noSourcePopup() != nullptr)
            QTest::mouseClick(w().noSourcePopup()->lblClose(), Qt::LeftButton);
        DeleteClosedWindows();
    }
    frmMain& w() const { return *client.window; }

    TempDir home;
    ScopedEnv homeVariable{"HOME", home.path()};
    Client client;
    int step = 0;
};

}  // namespace

// The main window's commands that open the subscription windows, its reading keys, its tree
// following changes made beside it, and the browser plug-in watching a Firefox session.
class TestMainWindowCommands : public QObject {
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

    // Alpha: a2 (read), a1, a3; Zulu: z1. F8 opens the next unread one across the sources, round
    // to the first, until none is left; Ctrl+Shift+R marks every source read.
    void nextUnreadOpensTheNextOneAcrossSourcesAndWraps() {
        Client r;
        r.write(r.appFile("view.tpl"), "<html><body>SL DESC</body></html>");
        const std::string alpha = Subscribe(*r.context, "alpha notes", "http://127.0.0.1:1/a");
        const std::string zulu = Subscribe(*r.context, "Zulu News", "http://127.0.0.1:1/z");
        for (const auto& [id, guid, date, read] :
             {std::tuple{alpha, "a1", "Mon, 05 Dec 2026", false},
              {alpha, "a2", "Tue, 06 Dec 2026", true},
              {alpha, "a3", "Sun, 04 Dec 2026", false},
              {zulu, "z1", "Mon, 05 Dec 2026", false}})
            QVERIFY(Store(*r.context, id, guid, guid, date, "08:00:00", read));
        auto& options = *qobject_cast<frmOptions*>(r.window->treeWindow());
        TreeControl& tree = options.tvMessages();
        r.context->subscriptions.LoadSubscriptions(tree);
        r.window->show();
        r.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(r.window.get()));
        const auto message = [&](const std::string& guid) {
            for (TreeNode* n : tree.nodes()) {
                if (n->parent() != nullptr && n->tag() == guid)
                    return n;
            }
            return static_cast<TreeNode*>(nullptr);
        };
        QVERIFY(tree.setSelectedNode(message("a1")));
        options.tvMessagesView()->setFocus();
        for (const char* guid : {"a3", "z1", "a1", "a1"}) {
            QTest::keyClick(options.tvMessagesView(), Qt::Key_F8);
            QCOMPARE(tree.selectedNode(), message(guid));
            QCOMPARE(message(guid)->image(), kImageRead);
        }
        QVERIFY(r.window->mdiArea()->subWindowList().size() >= 3);
        QVERIFY(
            Store(*r.context, zulu, "z2", "Late report", "Tue, 06 Dec 2026", "08:00:00", false));
        r.context->inbox.CurrentSourceID = zulu;
        r.context->inbox.LoadInbox(tree);
        QCOMPARE(message("z2")->image(), kImageUnread);
        options.tvMessagesView()->setFocus();
        QTest::keyClick(options.tvMessagesView(), Qt::Key_R,
                        Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(message("z2")->image(), kImageRead);
    }

    // Another process stores, marks read and deletes messages while the client runs: each change
    // shows in the tree by itself, without a box, the expansion and the selection kept.
    void changesMadeBesideTheClientShowInItsTree() {
        const std::string link = "http://127.0.0.1:1/www.vellorin.net/feeds/live";
        Client client;
        const auto ctl = [&](std::vector<std::string> args) {
            const AppOptions options = client.options();
            args.insert(args.begin(), {"--app-dir", options.appFolder, "--data-dir",
                                       options.dataFolderOverride, "--yes"});
            return RunProcess(BuiltProgram("vellorinctl"), args,
                              {{"XDG_CONFIG_HOME", client.dataFile("../config").toStdString()},
                               {"XDG_DATA_HOME", client.dataHome.path().toStdString()}})
                .exitCode;
        };
        auto* view = client.window->findChild<TreeView*>("tvMessages");
        TreeControl& tree = static_cast<frmOptions*>(client.window->treeWindow())->tvMessages();
        QAbstractItemModel* model = view->model();
        const auto source = [&] { return model->index(0, 0); };
        const auto bold = [&](int row) {
            return model->data(model->index(row, 0, source()), Qt::FontRole).value<QFont>().bold();
        };
        QCOMPARE(ctl({"subscribe", "Live source", link}), 0);
        QTRY_COMPARE(RowTexts(model), QStringList{"Live source"});
        // The core of a second client stores two messages.
        RecordingSeam seam;
        AppContext other(client.options(), seam, client.clock);
        other.inbox.CurrentSourceID = tree.topLevelNode(0)->key();
        other.inbox.LoadLatestStamp();
        const InboxItem items[] = {
            {"First", "<p>1</p>", "Mon, 05 Dec 2026", "08:00:00", "+0000", "g1", 0},
            {"Second", "<p>2</p>", "Tue, 06 Dec 2026", "08:00:00", "+0000", "g2", 0}};
        QCOMPARE(other.inbox.SaveItems(items).stored, 2);
        QTRY_COMPARE(RowTexts(model, source()), QStringList({"Second", "First"}));
        view->expand(source());
        view->setCurrentIndex(model->index(1, 0, source()));
        QCOMPARE(ctl({"read", link, "g1"}), 0);
        QTRY_VERIFY(!bold(1));
        // The client's own write after it, through copies it read before, keeps that change.
        client.context->inbox.CurrentSourceID = other.inbox.CurrentSourceID;
        client.context->inbox.CurrentItem.Guid = "g2";
        QVERIFY(client.context->inbox.InboxItemAction(mInbox::MarkRead));
        QCOMPARE(AppFolders::read(QString::fromStdString(client.context->inbox.InboxPath()))
                     .count("read=1"),
                 2);
        QTRY_VERIFY(!bold(0));
        QVERIFY(view->isExpanded(source()));
        QCOMPARE(tree.selectedNode()->tag(), std::string("g1"));
        QCOMPARE(ctl({"delete", link, "g2"}), 0);
        QTRY_COMPARE(RowTexts(model, source()), QStringList{"First"});
        QCOMPARE(view->currentIndex().data().toString(), QStringLiteral("First"));
        QVERIFY(client.boxes.empty() && seam.boxes.empty());
    }

    // Without any source the page invites to add one; the dialog's choice applies at once; the
    // main window's unload releases the monitor.
    void withoutAnySourceThePageInvitesToAddOne() {
        PlugInClient c("[plugin]\r\nff=0\r\nie=1\r\n");
        QVERIFY(!c.w().oUrlMon()->MonitorFireFox && c.w().oUrlMon()->MonitorIE);
        c.show(kSite);
        QVERIFY(c.w().noSourcePopup() == nullptr);
        for (bool watch : {true, false}) {
            c.client.item("mnuToolsPlugIn")->trigger();
            QPointer<frmRegPlugin> dialog = c.w().plugInDialog();
            dialog->chkPlugIn(0)->setChecked(watch);
            QTest::mouseClick(dialog->btnSave(), Qt::LeftButton);
            c.show(kOther);
            c.show(kSite);
            QCOMPARE(c.w().noSourcePopup() != nullptr, watch);
            QVERIFY(c.w().notificationPopup() == nullptr);
            c.dismiss();
            QTRY_VERIFY(dialog.isNull());
        }
        c.w().close();
        QVERIFY(c.w().oUrlMon() == nullptr && !c.w().tmrPlugIn()->isActive());
    }

    // The popups are windows of their own; "Read Now!" shows the inbox whether it was hidden or
    // shown, and the main window's end takes the popups along.
    void readNowShowsTheInboxAndNeverHidesIt() {
        Client client;
        frmMain& w = *client.window;
        for (const bool shownBefore : {false, true}) {
            QCOMPARE(w.isVisible(), shownBefore);
            w.showPopup(PlugInPopup::Notification);
            QPointer<frmNotification> popup = w.notificationPopup();
            QVERIFY(popup->parentWidget() == nullptr);
            QTest::mouseClick(popup->btnRead(), Qt::LeftButton);
            QVERIFY(w.isVisible());
            QTRY_VERIFY(popup.isNull());
        }
        w.showPopup(PlugInPopup::NoSourceNotify);
        QPointer<frmNoSourceNotify> left = w.noSourcePopup();
        client.window.reset();
        QVERIFY(left.isNull());
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(MainWindowCommands)

#include "main_window_commands_test.moc"
