#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "browserlink/firefox_session.h"
#include "browserlink/session_file.h"
#include "browserlink/url_monitor.h"
#include "config/ui/frm_reg_plugin.h"
#include "gui/frm_main_client.h"
#include "notify/ui/frm_no_source_notify.h"
#include "notify/ui/frm_notification.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace vellorin::test {
namespace {

const std::string kSite = "https://www.vellorin.net/inbox";
const std::string kOther = "https://www.example.com/news";

// A client with the plug-in's settings `settings` in a home with a Firefox profile, whose
// session file the test rewrites as Firefox would. (The reminder of unread messages, Hide and
// Snooze! are the whole-program test's.)
struct PlugInClient {
    explicit PlugInClient(const QByteArray& settings) : client({settings}) {
        home.write(".mozilla/firefox/profiles.ini", ProfilesIni("t.default"));
        QFile::copy(QDir(VELLORIN_RESOURCES_DIR).filePath("urls.lst"), client.appFile("urls.lst"));
        client.window.reset();
        client.window = std::make_unique<frmMain>(*client.context, nullptr, &WithTray);
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
    // Closes whatever popup is open by its "Close Window" label.
    void dismiss() {
        for (NotificationPopup* p : {static_cast<NotificationPopup*>(w().notificationPopup()),
                                     static_cast<NotificationPopup*>(w().noSourcePopup())}) {
            if (p != nullptr)
                QTest::mouseClick(p->lblClose(), Qt::LeftButton);
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    frmMain& w() const { return *client.window; }

    TempDir home;
    ScopedEnv homeVariable{"HOME", home.path()};
    Client client;
    int step = 0;
};

}  // namespace

// The whole client with the plug-in switched on, watching a Firefox session file.
class TestBrowserPlugIn : public QObject {
    Q_OBJECT

private slots:
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

VELLORIN_GUI_TESTS(BrowserPlugIn)

#include "browser_plugin_test.moc"
