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
#include <memory>
#include <string>

#include "app/app_context.h"
#include "app/application_build.h"
#include "app/clock.h"
#include "app/ui/frm_main.h"
#include "gui/gui_tests.h"
#include "gui/scripted_seam.h"
#include "notify/ui/frm_sys_tray.h"
#include "subscriptions/subscriptions.h"

using vellorin::frmMain;
using vellorin::frmSysTray;
using vellorin::MsgAnswer;

Q_DECLARE_METATYPE(MsgAnswer)

namespace {

const QString kCaption = QStringLiteral("Vellorin (Professional Version)") +
                         QString::fromStdString(vellorin::ApplicationBuild(true, true));

const std::string kCloseText =
    "Are you sure you want to close Application? Instead, you may minimize Application to System "
    "Tray area (bottom right corner of your screen where system clock is shown).\r\n\r\n"
    "Do you really want to close Application?";

QDateTime StartTime() {
    return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 0));
}

// A started client: its own application folder (with `settings` as settings.cfg when given),
// data folder, scripted seam and clock.
class Client {
public:
    explicit Client(const QByteArray& settings = QByteArray(), bool withIcons = false)
        : clock(std::chrono::system_clock::time_point(
              std::chrono::seconds(StartTime().toSecsSinceEpoch()))) {
        if (!settings.isNull())
            writeFile(appFile("settings.cfg"), settings);
        if (withIcons) {
            for (const char* name : {"vellorin.svg", "vellorin-busy.svg"}) {
                QFile::copy(QStringLiteral(VELLORIN_BIN_DIR "/") + name, appFile(name));
            }
        }
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    frmMain& start() {
        vellorin::AppOptions options;
        options.appFolder = appDir.path().toStdString();
        options.dataFolderOverride = dataFolder().toStdString();
        options.commandLine = "-s";
        context = std::make_unique<vellorin::AppContext>(options, scripted.seam, clock);
        window = std::make_unique<frmMain>(*context);
        return *window;
    }

    QString appFile(const QString& name) const { return QDir(appDir.path()).filePath(name); }
    QString dataFolder() const { return QDir(dataHome.path()).filePath("Vellorin Data"); }
    frmSysTray& tray() const { return *window->oSysTray(); }

    // Chooses the tray menu item with command key `key`, as the user would.
    void choose(const QString& key) const {
        for (int i = 0; i < tray().MenuItemCount(); ++i) {
            if (tray().MenuItemKey(i) == key) {
                tray().mnuSysTray(i)->trigger();
                return;
            }
        }
        QFAIL(qPrintable("no tray item " + key));
    }

    static void writeFile(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QTemporaryDir appDir;
    QTemporaryDir dataHome;
    vellorin::test::ScriptedSeam scripted;
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
    void startsHiddenInTheTray();
    void statusPanelsShowTheLoadedSettings_data();
    void statusPanelsShowTheLoadedSettings();
    void dataFolderIsPreparedOnce_data();
    void dataFolderIsPreparedOnce();
    void trayMenuHasTheCommandsInOrder();
    void iconsComeFromTheApplicationFolder();
    void showTogglesWindowAndFirstItem();
    void closeAsksFirst_data();
    void closeAsksFirst();
    void exitEndsTheEventLoop();
    void minimisingHidesToTheTray();
    void helpAndContactOpenTheServicePages();
    void hooksReachTheWindow();
    void clockPanelsFollowTheClock();
};

void TestFrmMain::startsHiddenInTheTray() {
    Client client;
    frmMain& w = client.start();

    QCOMPARE(w.objectName(), QStringLiteral("frmMain"));
    QCOMPARE(w.windowTitle(), kCaption);
    QVERIFY(!w.isVisible());
    QVERIFY(client.scripted.boxes.empty());

    auto* timer = w.findChild<QTimer*>("tmrSchedule");
    QVERIFY(timer != nullptr);
    QCOMPARE(timer->interval(), 20000);
    QVERIFY(timer->isActive());

    QVERIFY(w.oSysTray() != nullptr);
    QVERIFY(w.oSysTray()->trayIcon()->isVisible());
    QCOMPARE(w.oSysTray()->ToolTip(), kCaption);
    const std::optional<frmSysTray::Balloon>& balloon = w.oSysTray()->LastBalloon();
    QVERIFY(balloon.has_value());
    QCOMPARE(balloon->title, QStringLiteral("Vellorin is available here!"));
    QCOMPARE(balloon->message,
             QStringLiteral("Double-click to launch Application interface or Right-click for "
                            "more options."));
    QCOMPARE(balloon->icon, QSystemTrayIcon::Information);
    QCOMPARE(balloon->timeOutMs, 6000);

    // Loading the settings never writes them.
    QVERIFY(!QFile::exists(client.appFile("settings.cfg")));
}

void TestFrmMain::statusPanelsShowTheLoadedSettings_data() {
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("frequencyPanel");
    QTest::addColumn<bool>("firefox");
    QTest::addColumn<bool>("iexplore");

    const QString every15 = QStringLiteral("AutoCheck: Every 15 min");
    QTest::newRow("no settings file") << QByteArray() << every15 << false << false;
    QTest::newRow("30 minutes") << QByteArray("[app]\r\nfreq=1\r\n")
                                << QStringLiteral("AutoCheck: Every 30 min") << false << false;
    QTest::newRow("60 minutes, both browsers")
        << QByteArray("[app]\r\nschedule=1\r\nfreq=2\r\n[plugin]\r\nff=1\r\nie=1\r\n")
        << QStringLiteral("AutoCheck: Every 60 min") << true << true;
    QTest::newRow("firefox only") << QByteArray("[plugin]\nff=1\nie=0\n") << every15 << true
                                  << false;
    QTest::newRow("index without a text leaves the panel empty")
        << QByteArray("[app]\r\nfreq=7\r\n") << QString() << false << false;
    QTest::newRow("not a number counts as blank")
        << QByteArray("[app]\r\nfreq=often\r\n") << every15 << false << false;
}

void TestFrmMain::statusPanelsShowTheLoadedSettings() {
    QFETCH(QByteArray, settings);
    QFETCH(QString, frequencyPanel);
    QFETCH(bool, firefox);
    QFETCH(bool, iexplore);

    Client client(settings.isEmpty() ? QByteArray() : settings);
    frmMain& w = client.start();

    auto* bar = w.findChild<QStatusBar*>("ucStatusBar");
    QVERIFY(bar != nullptr);
    QCOMPARE(w.statusBar(), bar);
    QCOMPARE(bar->findChildren<QLabel*>().size(), 5);
    for (int n = 1; n <= 5; ++n) {
        QCOMPARE(bar->findChild<QLabel*>(QStringLiteral("Panel%1").arg(n)), w.StatusPanel(n));
    }
    QVERIFY(!w.StatusPanel(1)->text().isEmpty());
    QCOMPARE(w.StatusPanel(2)->text(), frequencyPanel);
    QCOMPARE(w.StatusPanel(3)->text(), QStringLiteral("Status: Idle"));

    // The plug-in load registered the browser monitor with the stored flags, timer not started.
    const frmMain::PlugInRegistration& reg = w.plugInRegistration();
    QVERIFY(reg.bRegister);
    QCOMPARE(reg.bFirefox, firefox);
    QCOMPARE(reg.bIExplore, iexplore);
    QVERIFY(!reg.bStartTimer);

    // Start-up leaves the settings file as it was.
    QFile file(client.appFile("settings.cfg"));
    if (settings.isEmpty()) {
        QVERIFY(!file.exists());
    } else {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), settings);
    }
}

void TestFrmMain::dataFolderIsPreparedOnce_data() {
    QTest::addColumn<bool>("folderExists");
    QTest::addColumn<bool>("listExpected");
    QTest::newRow("first run creates folder and list") << false << true;
    QTest::newRow("a deleted list is not recreated") << true << false;
}

void TestFrmMain::dataFolderIsPreparedOnce() {
    QFETCH(bool, folderExists);
    QFETCH(bool, listExpected);

    Client client;
    if (folderExists)
        QVERIFY(QDir().mkpath(client.dataFolder()));
    client.start();

    QCOMPARE(QString::fromStdString(client.context->subscriptions.DataFolder), client.dataFolder());
    QVERIFY(QFileInfo(client.dataFolder()).isDir());
    QString list = QDir(client.dataFolder()).filePath("subscriptions.dat");
    QCOMPARE(QFile::exists(list), listExpected);
    if (listExpected) {
        QFile file(list);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().toStdString(),
                 vellorin::mSubscriptions::DefaultSubscriptionList() + "\r\n");
    }
    QVERIFY(client.scripted.boxes.empty());
}

void TestFrmMain::trayMenuHasTheCommandsInOrder() {
    Client client;
    client.start();
    const frmSysTray& tray = client.tray();

    const QList<QPair<QString, QString>> expected = {
        {"Show Inbox", "show"},
        {"-", ""},
        {"Subscribe to New Source", "newsource"},
        {"Check for New Messages", "checkmsg"},
        {"-", ""},
        {"Vellorin Dropbox", "dropbox"},
        {"-", ""},
        {"Plug-In Configuration", "plugin"},
        {"Settings", "settings"},
        {"-", ""},
        {"Help File", "helpfile"},
        {"Contact Us", "email"},
        {"Visit our Website", "website"},
        {"-", ""},
        {"Exit", "exit"},
    };
    QCOMPARE(tray.MenuItemCount(), int(expected.size()));
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(tray.MenuItemCaption(i), expected[i].first);
        QCOMPARE(tray.MenuItemKey(i), expected[i].second);
        QCOMPARE(tray.mnuSysTray(i)->isSeparator(), expected[i].first == "-");
    }
    QCOMPARE(tray.DefaultMenuIndex(), 0);
    QCOMPARE(tray.mnuPopup()->defaultAction(), tray.mnuSysTray(0));
    QCOMPARE(tray.mnuPopup()->actions().size(), expected.size());

    // Choosing the commands that come with later windows changes nothing here.
    for (const char* key : {"newsource", "checkmsg", "dropbox", "plugin", "settings"}) {
        client.choose(key);
    }
    QVERIFY(client.scripted.boxes.empty());
    QVERIFY(!client.window->isVisible());
    QCOMPARE(tray.MenuItemCaption(0), QStringLiteral("Show Inbox"));
}

void TestFrmMain::iconsComeFromTheApplicationFolder() {
    const QImage fallback = QApplication::style()
                                ->standardIcon(QStyle::SP_MessageBoxInformation)
                                .pixmap(32, 32)
                                .toImage();

    Client shipped(QByteArray(), true);
    frmMain& w = shipped.start();
    QVERIFY(!w.windowIcon().isNull());
    QVERIFY(w.windowIcon().pixmap(32, 32).toImage() != fallback);
    QVERIFY(!w.picBusy().isNull());
    QVERIFY(w.picBusy().pixmap(32, 32).toImage() != w.windowIcon().pixmap(32, 32).toImage());
    QCOMPARE(shipped.tray().Icon().cacheKey(), w.windowIcon().cacheKey());

    // Without the files the tray still gets a picture.
    Client bare;
    frmMain& b = bare.start();
    QCOMPARE(b.windowIcon().pixmap(32, 32).toImage(), fallback);
    QVERIFY(!bare.tray().Icon().isNull());
}

void TestFrmMain::showTogglesWindowAndFirstItem() {
    Client client;
    frmMain& w = client.start();

    client.choose("show");
    QVERIFY(w.isVisible());
    QCOMPARE(client.tray().MenuItemCaption(0), QStringLiteral("Hide Inbox"));

    client.choose("show");
    QVERIFY(!w.isVisible());
    QCOMPARE(client.tray().MenuItemCaption(0), QStringLiteral("Show Inbox"));

    // A double-click on the icon does the same.
    emit client.tray().trayIcon()->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(w.isVisible());
    QCOMPARE(client.tray().MenuItemCaption(0), QStringLiteral("Hide Inbox"));

    // Showing brings a minimised window back to normal.
    client.choose("show");
    w.setWindowState(Qt::WindowMinimized);
    client.choose("show");
    QVERIFY(w.isVisible());
    QVERIFY(!w.isMinimized());
    QVERIFY(client.scripted.boxes.empty());
}

void TestFrmMain::closeAsksFirst_data() {
    QTest::addColumn<bool>("fromTray");
    QTest::addColumn<bool>("shownBefore");
    QTest::addColumn<MsgAnswer>("answer");

    QTest::newRow("close box, No") << false << true << MsgAnswer::No;
    QTest::newRow("close box, Yes") << false << true << MsgAnswer::Yes;
    QTest::newRow("tray Exit while hidden, No") << true << false << MsgAnswer::No;
    QTest::newRow("tray Exit while hidden, Yes") << true << false << MsgAnswer::Yes;
    QTest::newRow("tray Exit while shown, Yes") << true << true << MsgAnswer::Yes;
}

void TestFrmMain::closeAsksFirst() {
    QFETCH(bool, fromTray);
    QFETCH(bool, shownBefore);
    QFETCH(MsgAnswer, answer);

    Client client;
    frmMain& w = client.start();
    QSignalSpy unloaded(&w, &frmMain::unloaded);
    QPointer<frmSysTray> tray = w.oSysTray();
    // Another window of the program, which the unload closes too.
    QWidget other;
    other.setObjectName("otherForm");
    other.show();
    if (shownBefore)
        client.choose("show");

    client.scripted.answers.push_back(answer);
    if (fromTray) {
        client.choose("exit");
    } else {
        w.close();
    }

    QCOMPARE(client.scripted.boxes.size(), std::size_t(1));
    const vellorin::MessageBoxRequest& box = client.scripted.boxes.front();
    QCOMPARE(box.caption, std::string("Close Vellorin Application Now?"));
    QCOMPARE(box.text, kCloseText);
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
    QVERIFY(!reg.bRegister);
    QVERIFY(!reg.bFirefox);
    QVERIFY(!reg.bIExplore);

    // Unloaded once: a further close neither asks nor unloads again.
    w.close();
    QCOMPARE(client.scripted.boxes.size(), std::size_t(1));
    QCOMPARE(unloaded.size(), 1);
}

void TestFrmMain::exitEndsTheEventLoop() {
    // Wired as the client's main() wires it: the unload ends the running event loop.
    Client client;
    frmMain& w = client.start();
    connect(&w, &frmMain::unloaded, qApp, &QCoreApplication::quit);
    client.scripted.answers.push_back(MsgAnswer::Yes);
    QTimer::singleShot(0, &w, [&client] { client.choose("exit"); });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
    watchdog.start(10000);
    QCOMPARE(QApplication::exec(), 0);
    QCOMPARE(client.scripted.boxes.size(), std::size_t(1));
}

void TestFrmMain::minimisingHidesToTheTray() {
    Client client;
    frmMain& w = client.start();
    client.choose("show");
    QCOMPARE(client.tray().MenuItemCaption(0), QStringLiteral("Hide Inbox"));

    w.showMinimized();
    QTRY_VERIFY(!w.isVisible());
    QCOMPARE(client.tray().MenuItemCaption(0), QStringLiteral("Show Inbox"));
    QVERIFY(client.scripted.boxes.empty());

    client.choose("show");
    QVERIFY(w.isVisible());
    QVERIFY(!w.isMinimized());
}

void TestFrmMain::helpAndContactOpenTheServicePages() {
    OpenedUrls opened;
    QDesktopServices::setUrlHandler("https", &opened, "open");
    QDesktopServices::setUrlHandler("mailto", &opened, "open");

    Client client;
    client.start();
    client.choose("helpfile");
    client.choose("email");
    client.choose("website");

    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("mailto");
    QCOMPARE(opened.urls, QList<QUrl>({QUrl("https://www.vellorin.net/help/"),
                                       QUrl("mailto:support@vellorin.net"),
                                       QUrl("https://www.vellorin.net/help/")}));
}

void TestFrmMain::hooksReachTheWindow() {
    Client client;
    frmMain& w = client.start();
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

void TestFrmMain::clockPanelsFollowTheClock() {
    Client client;
    frmMain& w = client.start();
    QLocale locale;
    QCOMPARE(w.StatusPanel(4)->text(), locale.toString(StartTime().date(), QLocale::ShortFormat));
    QCOMPARE(w.StatusPanel(5)->text(), locale.toString(StartTime().time(), QLocale::ShortFormat));

    client.clock.advance(std::chrono::hours(24) + std::chrono::minutes(3));
    QDateTime later = StartTime().addDays(1).addSecs(180);
    QTRY_COMPARE(w.StatusPanel(4)->text(), locale.toString(later.date(), QLocale::ShortFormat));
    QCOMPARE(w.StatusPanel(5)->text(), locale.toString(later.time(), QLocale::ShortFormat));
}

int RunFrmMainTests(int argc, char** argv) {
    TestFrmMain test;
    return QTest::qExec(&test, argc, argv);
}

#include "frm_main_test.moc"
