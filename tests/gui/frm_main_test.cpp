#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "app/application_build.h"
#include "app/clock.h"
#include "app/ui/frm_main.h"
#include "app/ui/qt_user_seam.h"
#include "gui/gui_tests.h"
#include "notify/ui/frm_sys_tray.h"
#include "subscriptions/subscriptions.h"

using vellorin::frmMain;
using vellorin::frmSysTray;
using vellorin::MessageBoxRequest;
using vellorin::MsgAnswer;

Q_DECLARE_METATYPE(MsgAnswer)

namespace {

const QString kCaption = QStringLiteral("Vellorin (Professional Version)") +
                         QString::fromStdString(vellorin::ApplicationBuild(true, true));

QDateTime StartTime() {
    return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 0));
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A client started silently ("-s") with its own application folder (with `settings` as
// settings.cfg when given, and the shipped icons when asked), data folder and clock. Its seam
// keeps every box and answers from `answers`, then with the box's default button.
class Client {
public:
    explicit Client(const QByteArray& settings = QByteArray(), bool withIcons = false)
        : clock(std::chrono::system_clock::time_point(
              std::chrono::seconds(StartTime().toSecsSinceEpoch()))) {
        seam.setAutoAnswer([this](const MessageBoxRequest& request) -> std::optional<MsgAnswer> {
            boxes.push_back(request);
            if (answers.empty())
                return vellorin::DefaultAnswer(request);
            MsgAnswer answer = answers.front();
            answers.pop_front();
            return answer;
        });
        if (!settings.isEmpty()) {
            QFile file(appFile("settings.cfg"));
            if (file.open(QIODevice::WriteOnly))
                file.write(settings);
        }
        for (const char* name : {"vellorin.svg", "vellorin-busy.svg"}) {
            if (withIcons)
                QFile::copy(QStringLiteral(VELLORIN_BIN_DIR "/") + name, appFile(name));
        }
        vellorin::AppOptions options;
        options.appFolder = appDir.path().toStdString();
        options.dataFolderOverride = dataFolder().toStdString();
        options.commandLine = "-s";
        context = std::make_unique<vellorin::AppContext>(options, seam, clock);
        window = std::make_unique<frmMain>(*context);
    }

    QString appFile(const QString& name) const { return QDir(appDir.path()).filePath(name); }
    QString dataFolder() const { return QDir(dataHome.path()).filePath("Vellorin Data"); }
    frmSysTray& tray() const { return *window->oSysTray(); }
    QString firstItem() const { return tray().MenuItemCaption(0); }

    // Chooses the tray menu item with command key `key`, as the user would.
    void choose(const QString& key) const {
        for (int i = 0; i < tray().MenuItemCount(); ++i) {
            if (tray().MenuItemKey(i) == key)
                return tray().mnuSysTray(i)->trigger();
        }
        QFAIL(qPrintable("no tray item " + key));
    }

    QTemporaryDir appDir, dataHome;
    vellorin::QtUserSeam seam;
    std::vector<MessageBoxRequest> boxes;
    std::deque<MsgAnswer> answers;
    vellorin::ManualClock clock;
    std::unique_ptr<vellorin::AppContext> context;
    std::unique_ptr<frmMain> window;
};

// Receives what the program asks the desktop to open.
class OpenedUrls : public QObject {
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl& url) { urls << url; }
};

}  // namespace

class TestFrmMain : public QObject {
    Q_OBJECT

private slots:
    void startsHiddenInTheTrayWithTheWelcomeBalloon() {
        Client client;
        frmMain& w = *client.window;
        QCOMPARE(w.objectName(), QStringLiteral("frmMain"));
        QCOMPARE(w.windowTitle(), kCaption);
        QVERIFY(!w.isVisible());
        auto* timer = w.findChild<QTimer*>("tmrSchedule");
        QVERIFY(timer != nullptr);
        QCOMPARE(timer->interval(), 20000);
        QVERIFY(timer->isActive());

        QVERIFY(client.tray().trayIcon()->isVisible());
        QCOMPARE(client.tray().trayIcon()->contextMenu(), client.tray().mnuPopup());
        QCOMPARE(client.tray().ToolTip(), kCaption);
        const std::optional<frmSysTray::Balloon>& balloon = client.tray().LastBalloon();
        QVERIFY(balloon.has_value());
        QCOMPARE(balloon->title, QStringLiteral("Vellorin is available here!"));
        QCOMPARE(balloon->message,
                 QStringLiteral("Double-click to launch Application interface or Right-click for "
                                "more options."));
        QCOMPARE(balloon->icon, QSystemTrayIcon::Information);
        QCOMPARE(balloon->timeOutMs, 6000);

        // The first start prepares the data folder; loading the settings never writes them.
        QCOMPARE(QString::fromStdString(client.context->subscriptions.DataFolder),
                 client.dataFolder());
        QCOMPARE(ReadFile(QDir(client.dataFolder()).filePath("subscriptions.dat")).toStdString(),
                 vellorin::mSubscriptions::DefaultSubscriptionList() + "\r\n");
        QVERIFY(!QFile::exists(client.appFile("settings.cfg")));
        QVERIFY(client.boxes.empty());
    }

    void statusPanelsShowTheLoadedSettings_data() {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QString>("frequencyPanel");
        QTest::addColumn<bool>("firefox");
        QTest::addColumn<bool>("iexplore");
        QTest::newRow("no settings file")
            << QByteArray() << QStringLiteral("AutoCheck: Every 15 min") << false << false;
        QTest::newRow("60 minutes, both browsers")
            << QByteArray("[app]\r\nschedule=1\r\nfreq=2\r\n[plugin]\r\nff=1\r\nie=1\r\n")
            << QStringLiteral("AutoCheck: Every 60 min") << true << true;
        QTest::newRow("index without a text leaves the panel empty, firefox only")
            << QByteArray("[app]\nfreq=7\n[plugin]\nff=1\nie=0\n") << QString() << true << false;
    }

    void statusPanelsShowTheLoadedSettings() {
        QFETCH(QByteArray, settings);
        QFETCH(QString, frequencyPanel);
        QFETCH(bool, firefox);
        QFETCH(bool, iexplore);
        Client client(settings);
        frmMain& w = *client.window;

        QCOMPARE(w.findChild<QStatusBar*>("ucStatusBar"), w.statusBar());
        QCOMPARE(w.statusBar()->findChild<QLabel*>("Panel2"), w.StatusPanel(2));
        QCOMPARE(w.StatusPanel(2)->text(), frequencyPanel);
        QCOMPARE(w.StatusPanel(3)->text(), QStringLiteral("Status: Idle"));

        // The plug-in load registered the browser monitor with the stored flags, timer not
        // started; start-up leaves the settings file as it was.
        const frmMain::PlugInRegistration& reg = w.plugInRegistration();
        QVERIFY(reg.bRegister);
        QCOMPARE(reg.bFirefox, firefox);
        QCOMPARE(reg.bIExplore, iexplore);
        QVERIFY(!reg.bStartTimer);
        QCOMPARE(ReadFile(client.appFile("settings.cfg")), settings);
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
        QCOMPARE(tray.mnuPopup()->defaultAction(), tray.mnuSysTray(0));
        QCOMPARE(tray.mnuPopup()->actions().size(), expected.size());

        // Choosing the commands that come with later windows changes nothing here.
        for (const char* key : {"newsource", "checkmsg", "dropbox", "plugin", "settings"})
            client.choose(key);
        QVERIFY(client.boxes.empty());
        QVERIFY(!client.window->isVisible());
        QCOMPARE(client.firstItem(), QStringLiteral("Show Inbox"));
    }

    void iconsComeFromTheApplicationFolder() {
        const QImage fallback = QApplication::style()
                                    ->standardIcon(QStyle::SP_MessageBoxInformation)
                                    .pixmap(32, 32)
                                    .toImage();
        Client shipped(QByteArray(), true);
        const frmMain& w = *shipped.window;
        QVERIFY(w.windowIcon().pixmap(32, 32).toImage() != fallback);
        QVERIFY(!w.picBusy().isNull());
        QVERIFY(w.picBusy().pixmap(32, 32).toImage() != w.windowIcon().pixmap(32, 32).toImage());
        QCOMPARE(shipped.tray().Icon().cacheKey(), w.windowIcon().cacheKey());

        // Without the files the tray still gets a picture.
        Client bare;
        QCOMPARE(bare.window->windowIcon().pixmap(32, 32).toImage(), fallback);
        QVERIFY(!bare.tray().Icon().isNull());
    }

    void showTogglesTheWindowAndTheFirstItem() {
        Client client;
        frmMain& w = *client.window;
        client.choose("show");
        QVERIFY(w.isVisible());
        QCOMPARE(client.firstItem(), QStringLiteral("Hide Inbox"));
        client.choose("show");
        QVERIFY(!w.isVisible());
        QCOMPARE(client.firstItem(), QStringLiteral("Show Inbox"));

        // A double-click on the icon does the same.
        emit client.tray().trayIcon()->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(w.isVisible());
        QCOMPARE(client.firstItem(), QStringLiteral("Hide Inbox"));

        // Minimising hides the window to the tray; showing brings it back to normal.
        w.showMinimized();
        QTRY_VERIFY(!w.isVisible());
        QCOMPARE(client.firstItem(), QStringLiteral("Show Inbox"));
        client.choose("show");
        QVERIFY(w.isVisible());
        QVERIFY(!w.isMinimized());
        QVERIFY(client.boxes.empty());
    }

    void closeAsksFirst_data() {
        QTest::addColumn<bool>("fromTray");
        QTest::addColumn<bool>("shownBefore");
        QTest::addColumn<MsgAnswer>("answer");
        QTest::newRow("close box, No") << false << true << MsgAnswer::No;
        QTest::newRow("close box, Yes") << false << true << MsgAnswer::Yes;
        QTest::newRow("tray Exit while hidden, No") << true << false << MsgAnswer::No;
        QTest::newRow("tray Exit while shown, Yes") << true << true << MsgAnswer::Yes;
    }

    void closeAsksFirst() {
        QFETCH(bool, fromTray);
        QFETCH(bool, shownBefore);
        QFETCH(MsgAnswer, answer);
        Client client;
        frmMain& w = *client.window;
        QSignalSpy unloaded(&w, &frmMain::unloaded);
        QPointer<frmSysTray> tray = w.oSysTray();
        // Another window of the program, which the unload closes too.
        QWidget other;
        other.show();
        if (shownBefore)
            client.choose("show");

        client.answers.push_back(answer);
        if (fromTray)
            client.choose("exit");
        else
            w.close();

        QCOMPARE(client.boxes.size(), std::size_t(1));
        const MessageBoxRequest& box = client.boxes.front();
        QCOMPARE(box.caption, std::string("Close Vellorin Application Now?"));
        QCOMPARE(box.text,
                 std::string("Are you sure you want to close Application? Instead, you may "
                             "minimize Application to System Tray area (bottom right corner of "
                             "your screen where system clock is shown).\r\n\r\n"
                             "Do you really want to close Application?"));
        QCOMPARE(box.icon, vellorin::MsgIcon::Question);
        QCOMPARE(box.buttons, vellorin::MsgButtons::YesNo);
        QCOMPARE(box.defaultButton, vellorin::MsgDefault::First);
        QVERIFY(!w.isVisible());

        if (answer == MsgAnswer::No) {
            QCOMPARE(unloaded.size(), 0);
            QCOMPARE(w.oSysTray(), tray.data());
            QVERIFY(tray->trayIcon()->isVisible());
            QCOMPARE(tray->MenuItemCaption(0), QStringLiteral("Show Inbox"));
            QVERIFY(other.isVisible());
            QVERIFY(w.plugInRegistration().bRegister);
            return;
        }
        QCOMPARE(unloaded.size(), 1);
        QCOMPARE(w.oSysTray(), nullptr);
        QVERIFY(tray.isNull() || !tray->trayIcon()->isVisible());
        QTRY_VERIFY(tray.isNull());
        QVERIFY(!other.isVisible());
        const frmMain::PlugInRegistration& reg = w.plugInRegistration();
        QVERIFY(!reg.bRegister && !reg.bFirefox && !reg.bIExplore);

        // Unloaded once: a further close neither asks nor unloads again.
        w.close();
        QCOMPARE(client.boxes.size(), std::size_t(1));
        QCOMPARE(unloaded.size(), 1);
    }

    void helpAndContactOpenTheServicePages() {
        OpenedUrls opened;
        QDesktopServices::setUrlHandler("https", &opened, "open");
        QDesktopServices::setUrlHandler("mailto", &opened, "open");
        Client client;
        for (const char* key : {"helpfile", "email", "website"})
            client.choose(key);
        QDesktopServices::unsetUrlHandler("https");
        QDesktopServices::unsetUrlHandler("mailto");
        QCOMPARE(opened.urls, QList<QUrl>({QUrl("https://www.vellorin.net/help/"),
                                           QUrl("mailto:support@vellorin.net"),
                                           QUrl("https://www.vellorin.net/help/")}));
    }

    void hooksReachTheWindowWhileItExists() {
        Client client;
        frmMain& w = *client.window;
        vellorin::MainWindowHooks* asHooks = &w;
        QCOMPARE(&client.context->hooks(), asHooks);
        w.tmrSchedule()->stop();
        client.context->hooks().EnableScheduleTimer();
        QVERIFY(w.tmrSchedule()->isActive());
        QCOMPARE(w.tmrSchedule()->interval(), 20000);

        // Saving the plug-in settings registers the monitor with its timer started.
        client.context->settings.ff = 1;
        client.context->settings.SavePlugInSettings();
        QVERIFY(w.plugInRegistration().bRegister);
        QVERIFY(w.plugInRegistration().bFirefox);
        QVERIFY(w.plugInRegistration().bStartTimer);

        // The context forgets a window that is gone.
        client.window.reset();
        QVERIFY(&client.context->hooks() != asHooks);
    }

    void clockPanelsFollowTheClock() {
        Client client;
        const frmMain& w = *client.window;
        QLocale locale;
        QCOMPARE(w.StatusPanel(4)->text(),
                 locale.toString(StartTime().date(), QLocale::ShortFormat));
        QCOMPARE(w.StatusPanel(5)->text(),
                 locale.toString(StartTime().time(), QLocale::ShortFormat));
        client.clock.advance(std::chrono::hours(24) + std::chrono::minutes(3));
        const QDateTime later = StartTime().addDays(1).addSecs(180);
        QTRY_COMPARE(w.StatusPanel(4)->text(), locale.toString(later.date(), QLocale::ShortFormat));
        QCOMPARE(w.StatusPanel(5)->text(), locale.toString(later.time(), QLocale::ShortFormat));
    }
};

int RunFrmMainTests(int argc, char** argv) {
    TestFrmMain test;
    return QTest::qExec(&test, argc, argv);
}

#include "frm_main_test.moc"
