#include <QCheckBox>

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
#include "gui/gui_tests.h"
#include "notify/ui/frm_no_source_notify.h"
#include "notify/ui/frm_notification.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace vellorin::test {
namespace {

const std::string kSite = "https://www.vellorin.net/inbox";
const std::string kOther = "https://www.example.com/news";

// A home folder with a Firefox profile, whose session file the test rewrites as Firefox would.
class FirefoxHome {
public:
    FirefoxHome() { home_.write(".mozilla/firefox/profiles.ini", ProfilesIni("t.default")); }
    // Firefox now shows `url`; each rewrite gets a later modification time.
    void show(const std::string& url) {
        const std::string path =
            home_.write(".mozilla/firefox/t.default/sessionstore-backups/recovery.jsonlz4",
                        MozLz4(SessionJson(url, "Page")));
        std::filesystem::last_write_time(
            path, std::filesystem::file_time_type(std::chrono::seconds(1'700'000'000 + ++step_)));
    }
    const std::string& path() const { return home_.path(); }

private:
    TempDir home_;
    int step_ = 0;
};

// One tick of the monitor, and the answer of the session file's read (on a thread of its own)
// handed back to this thread, as the running client gets it.
void Tick(clsURLMon& monitor) {
    monitor.myTimer_ThatTime();
    if (auto* firefox = dynamic_cast<FirefoxSessionSource*>(monitor.source(kBrowserFirefox)))
        firefox->waitForRead();
    QCoreApplication::sendPostedEvents();
}

// Closes whatever popup is open by its "Close Window" label.
void Dismiss(frmMain& w) {
    for (NotificationPopup* p : {static_cast<NotificationPopup*>(w.notificationPopup()),
                                 static_cast<NotificationPopup*>(w.noSourcePopup())}) {
        if (p != nullptr)
            QTest::mouseClick(p->lblClose(), Qt::LeftButton);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

// The whole client with the plug-in switched on, watching a Firefox session file.
class TestBrowserPlugIn : public QObject {
    Q_OBJECT

private slots:
    void aPageOfTheSiteRemindsOfUnreadMessagesAndSnoozeHoldsBack() {
        FirefoxHome firefox;
        ScopedEnv home("HOME", firefox.path());
        Client client({"[plugin]\r\nff=1\r\nie=1\r\n"});
        QFile::copy(QDir(VELLORIN_RESOURCES_DIR).filePath("urls.lst"), client.appFile("urls.lst"));
        // A source with an unread message, and the client started afresh over it.
        client.window.reset();
        mSubscriptions& list = client.context->subscriptions;
        QVERIFY(list.AddSource("News", "https://www.vellorin.net/feeds/news.xml"));
        list.CurrentSource.Link = "https://www.vellorin.net/feeds/news.xml";
        QVERIFY(list.SourceAction(mSubscriptions::LoadSource));
        mInbox& inbox = client.context->inbox;
        inbox.CurrentSourceID = list.CurrentSource.ID;
        inbox.LoadLatestStamp();
        inbox.CurrentItem =
            InboxItem{"Hello", "<p>Hi</p>", "Mon, 05 Dec 2026", "10:00:00", "+0000", "g1", 0};
        QVERIFY(inbox.SaveItem());
        client.window = std::make_unique<frmMain>(*client.context, nullptr, &WithTray);
        frmMain& w = *client.window;
        ManualMonotonicClock monotonic;
        w.setPlugInClock(monotonic);

        clsURLMon* monitor = w.oUrlMon();
        QVERIFY(monitor);
        QVERIFY(monitor->Active && monitor->MonitorFireFox && monitor->MonitorIE);
        QVERIFY(w.tmrPlugIn()->isActive());

        // The user's window, active.
        QWidget browser;
        browser.show();
        browser.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&browser));

        firefox.show(kOther);
        Tick(*monitor);
        QVERIFY(w.notificationPopup() == nullptr);
        firefox.show(kSite);
        Tick(*monitor);
        QPointer<frmNotification> popup = w.notificationPopup();
        QVERIFY(popup);
        QVERIFY(popup->isVisible());
        QCOMPARE(popup->lblClose()->isVisible(), true);
        QCoreApplication::processEvents();
        QCOMPARE(QApplication::activeWindow(), &browser);
        // The same page again (Firefox rewrote its file): nothing new.
        firefox.show(kSite);
        Tick(*monitor);
        QCOMPARE(w.notificationPopup(), popup.data());

        QTest::mouseClick(popup->btnSnooze(), Qt::LeftButton);
        QTRY_VERIFY(popup.isNull());
        // Back and forth for almost ten minutes: no popup.
        for (int i = 0; i < 10; ++i) {
            firefox.show(i % 2 ? kSite : kOther);
            Tick(*monitor);
            QVERIFY2(w.notificationPopup() == nullptr, qPrintable(QString::number(i)));
            monotonic.advance(std::chrono::seconds(59));
        }
        monotonic.advance(std::chrono::seconds(10));  // 600 s since the button
        firefox.show(kOther);
        Tick(*monitor);
        firefox.show(kSite);
        Tick(*monitor);
        QVERIFY(w.notificationPopup() != nullptr);
        Dismiss(w);
        QVERIFY(client.boxes.empty());
    }

    void withoutAnySourceThePageInvitesToAddOne() {
        FirefoxHome firefox;
        ScopedEnv home("HOME", firefox.path());
        Client client({"[plugin]\r\nff=1\r\n"});
        QFile::copy(QDir(VELLORIN_RESOURCES_DIR).filePath("urls.lst"), client.appFile("urls.lst"));
        client.window.reset();
        client.window = std::make_unique<frmMain>(*client.context, nullptr, &WithTray);
        frmMain& w = *client.window;
        firefox.show(kSite);
        Tick(*w.oUrlMon());
        QVERIFY(w.noSourcePopup() != nullptr);
        QVERIFY(w.notificationPopup() == nullptr);
        QVERIFY(!w.plugIn().LastPopupTime().has_value());
        Dismiss(w);
        QVERIFY(w.noSourcePopup() == nullptr);
        // Unloading the main window releases the monitor.
        w.close();
        QVERIFY(w.oUrlMon() == nullptr);
        QVERIFY(!w.tmrPlugIn()->isActive());
    }

    // The popups are windows of their own, not hidden or minimised with the main window; "Read
    // Now!" shows and raises the inbox whether it was hidden or already shown.
    void readNowShowsTheInboxAndNeverHidesIt() {
        Client client;
        frmMain& w = *client.window;
        for (const bool shownBefore : {false, true, true}) {
            QCOMPARE(w.isVisible(), shownBefore);
            w.showPopup(PlugInPopup::Notification);
            QPointer<frmNotification> popup = w.notificationPopup();
            QVERIFY(popup);
            QVERIFY(popup->parentWidget() == nullptr);
            QVERIFY(popup->isWindow());
            QTest::mouseClick(popup->btnRead(), Qt::LeftButton);
            QVERIFY(w.isVisible());
            QCOMPARE(client.tray().MenuItemCaption(0), QStringLiteral("Hide Inbox"));
            QTRY_VERIFY(popup.isNull());
        }
        w.showPopup(PlugInPopup::NoSourceNotify);
        QVERIFY(w.noSourcePopup()->parentWidget() == nullptr);
        // The main window's end takes the popups along.
        QPointer<frmNoSourceNotify> left = w.noSourcePopup();
        client.window.reset();
        QVERIFY(left.isNull());
    }

    // The plug-in dialog's browser choice applies when it is saved, not at the next start.
    void thePlugInDialogsChoiceAppliesAtOnce() {
        FirefoxHome firefox;
        ScopedEnv home("HOME", firefox.path());
        Client client({"[plugin]\r\nff=0\r\n"});
        QFile::copy(QDir(VELLORIN_RESOURCES_DIR).filePath("urls.lst"), client.appFile("urls.lst"));
        frmMain& w = *client.window;
        QVERIFY(w.oUrlMon() && !w.oUrlMon()->MonitorFireFox);
        firefox.show(kSite);
        Tick(*w.oUrlMon());
        QVERIFY(w.noSourcePopup() == nullptr);
        for (bool watch : {true, false}) {
            client.item("mnuToolsPlugIn")->trigger();
            QPointer<frmRegPlugin> dialog = w.plugInDialog();
            QVERIFY(dialog);
            QCOMPARE(dialog->chkPlugIn(0)->isChecked(), !watch);
            dialog->chkPlugIn(0)->setChecked(watch);
            QTest::mouseClick(dialog->btnSave(), Qt::LeftButton);
            QCOMPARE(w.oUrlMon()->MonitorFireFox, watch);
            firefox.show(watch ? kSite : kOther);
            Tick(*w.oUrlMon());
            firefox.show(kSite);
            Tick(*w.oUrlMon());
            QCOMPARE(w.noSourcePopup() != nullptr, watch);
            Dismiss(w);
            QTRY_VERIFY(dialog.isNull());
        }
        QVERIFY(client.boxes.empty());
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(BrowserPlugIn)

#include "browser_plugin_test.moc"
