#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "base/monotonic_clock.h"
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
// session file the test rewrites as Firefox would; with `unread`, a source with an unread message.
struct PlugInClient {
    explicit PlugInClient(const QByteArray& settings, bool unread = false) : client({settings}) {
        home.write(".mozilla/firefox/profiles.ini", ProfilesIni("t.default"));
        QFile::copy(QDir(VELLORIN_RESOURCES_DIR).filePath("urls.lst"), client.appFile("urls.lst"));
        client.window.reset();
        if (unread) {
            const std::string id =
                Subscribe(*client.context, "News", "https://www.vellorin.net/feeds/news.xml");
            (void)Store(*client.context, id, "g1", "Hello", "Mon, 05 Dec 2026", "10:00:00", false);
        }
        client.window = std::make_unique<frmMain>(*client.context, nullptr, &WithTray);
        client.window->setPlugInClock(monotonic);
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
    ManualMonotonicClock monotonic;
    int step = 0;
};

}  // namespace

// The whole client with the plug-in switched on, watching a Firefox session file.
class TestBrowserPlugIn : public QObject {
    Q_OBJECT

private slots:
    void aPageOfTheSiteRemindsOfUnreadMessagesAndSnoozeHoldsBack() {
        PlugInClient c("[plugin]\r\nff=1\r\nie=1\r\n", true);
        QVERIFY(c.w().oUrlMon()->MonitorFireFox && c.w().oUrlMon()->MonitorIE);
        QVERIFY(c.w().tmrPlugIn()->isActive());
        QWidget browser;  // the user's window, active
        browser.show();
        browser.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&browser));
        c.show(kOther);
        QVERIFY(c.w().notificationPopup() == nullptr);
        c.show(kSite);
        QPointer<frmNotification> popup = c.w().notificationPopup();
        QVERIFY(popup && popup->isVisible());
        QCoreApplication::processEvents();
        QCOMPARE(QApplication::activeWindow(), &browser);
        c.show(kSite);  // the same page again: nothing new
        QCOMPARE(c.w().notificationPopup(), popup.data());
        QTest::mouseClick(popup->btnSnooze(), Qt::LeftButton);
        QTRY_VERIFY(popup.isNull());
        // Back and forth for almost ten minutes: no popup; after them, one.
        for (int i = 0; i < 10; ++i) {
            c.show(i % 2 ? kSite : kOther);
            QVERIFY(c.w().notificationPopup() == nullptr);
            c.monotonic.advance(std::chrono::seconds(59));
        }
        c.monotonic.advance(std::chrono::seconds(10));
        c.show(kOther);
        c.show(kSite);
        QVERIFY(c.w().notificationPopup() != nullptr);
        c.dismiss();
        QVERIFY(c.client.boxes.empty());
    }

    // Without any source the page invites to add one; the dialog's choice applies at once; the
    // main window's unload releases the monitor.
    void withoutAnySourceThePageInvitesToAddOne() {
        PlugInClient c("[plugin]\r\nff=0\r\n");
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
