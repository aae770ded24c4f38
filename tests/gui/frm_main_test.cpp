#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <optional>
#include <vector>

#include "app/app_context.h"
#include "app/application_build.h"
#include "app/clock.h"
#include "app/ui/frm_main.h"
#include "app/ui/qt_user_seam.h"
#include "gui/gui_tests.h"
#include "notify/ui/frm_sys_tray.h"

using vellorin::frmMain;
using vellorin::frmSysTray;
using vellorin::MessageBoxRequest;
using vellorin::MsgAnswer;

namespace {

// A client started silently ("-s") with its own application folder (`settings` as settings.cfg
// when given) and data folder. Its seam keeps every box and answers with `answer` if set, else
// with the box's default button.
class Client {
public:
    explicit Client(const QByteArray& settings = QByteArray()) {
        seam.setAutoAnswer([this](const MessageBoxRequest& request) -> std::optional<MsgAnswer> {
            boxes.push_back(request);
            return answer.value_or(vellorin::DefaultAnswer(request));
        });
        QFile file(appFile("settings.cfg"));
        if (!settings.isEmpty() && file.open(QIODevice::WriteOnly))
            file.write(settings);
        file.close();
        vellorin::AppOptions options;
        options.appFolder = appDir.path().toStdString();
        options.dataFolderOverride = QDir(dataHome.path()).filePath("data").toStdString();
        options.commandLine = "-s";
        context = std::make_unique<vellorin::AppContext>(options, seam, clock);
        window = std::make_unique<frmMain>(*context);
    }

    QString appFile(const QString& name) const { return QDir(appDir.path()).filePath(name); }
    frmSysTray& tray() const { return *window->oSysTray(); }

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
    std::optional<MsgAnswer> answer;
    vellorin::ManualClock clock;
    std::unique_ptr<vellorin::AppContext> context;
    std::unique_ptr<frmMain> window;
};

}  // namespace

class TestFrmMain : public QObject {
    Q_OBJECT

private slots:
    void startsHiddenInTheTrayWithTheWelcomeBalloonAndTheSettings() {
        const QByteArray settings("[app]\r\nschedule=1\r\nfreq=2\r\n[plugin]\r\nff=1\r\nie=0\r\n");
        Client client(settings);
        const QString caption = QStringLiteral("Vellorin (Professional Version)") +
                                QString::fromStdString(vellorin::ApplicationBuild(true, true));
        QCOMPARE(client.window->windowTitle(), caption);
        QVERIFY(!client.window->isVisible());
        QVERIFY(client.window->findChild<QTimer*>("tmrSchedule")->isActive());
        QCOMPARE(client.tray().ToolTip(), caption);
        const std::optional<frmSysTray::Balloon>& balloon = client.tray().LastBalloon();
        QVERIFY(balloon.has_value());
        QCOMPARE(balloon->title, QStringLiteral("Vellorin is available here!"));
        QCOMPARE(balloon->message,
                 QStringLiteral("Double-click to launch Application interface or Right-click for "
                                "more options."));
        QCOMPARE(balloon->icon, QSystemTrayIcon::Information);
        QCOMPARE(balloon->timeOutMs, 6000);
        QCOMPARE(client.window->StatusPanel(2)->text(), QStringLiteral("AutoCheck: Every 60 min"));
        const frmMain::PlugInRegistration& reg = client.window->plugInRegistration();
        QVERIFY(reg.bRegister && reg.bFirefox && !reg.bIExplore && !reg.bStartTimer);
        // Loading the settings never writes them.
        QFile file(client.appFile("settings.cfg"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), settings);
        QVERIFY(client.boxes.empty());
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
    }

    void showAndTrayClicksToggleTheWindow() {
        Client client;
        frmMain& w = *client.window;
        QSystemTrayIcon* icon = client.tray().trayIcon();
        QMenu* menu = client.tray().mnuPopup();
        client.choose("show");
        QVERIFY(w.isVisible());
        QCOMPARE(client.tray().MenuItemCaption(0), QStringLiteral("Hide Inbox"));
        client.choose("show");
        QVERIFY(!w.isVisible());
        QCOMPARE(client.tray().MenuItemCaption(0), QStringLiteral("Show Inbox"));
        // A double-click shows the window and swallows the click that started it.
        emit icon->activated(QSystemTrayIcon::Trigger);
        emit icon->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(w.isVisible());
        QTest::qWait(QApplication::doubleClickInterval() + 100);
        QVERIFY(!menu->isVisible());
        // A single click opens the menu once the double-click interval has passed.
        emit icon->activated(QSystemTrayIcon::Trigger);
        QVERIFY(!menu->isVisible());
        QTRY_VERIFY(menu->isVisible());
        menu->hide();
        // Minimising hides the window to the tray.
        w.showMinimized();
        QTRY_VERIFY(!w.isVisible());
        QCOMPARE(client.tray().MenuItemCaption(0), QStringLiteral("Show Inbox"));
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
        QCOMPARE(box.icon, vellorin::MsgIcon::Question);
        QCOMPARE(box.buttons, vellorin::MsgButtons::YesNo);
        QCOMPARE(box.defaultButton, vellorin::MsgDefault::First);
        QVERIFY(!w.isVisible());
        QCOMPARE(unloaded.size(), 0);
        QVERIFY(tray->trayIcon()->isVisible());
        QVERIFY(other.isVisible());

        client.answer = MsgAnswer::Yes;
        client.choose("exit");
        QCOMPARE(client.boxes.size(), std::size_t(2));
        QCOMPARE(unloaded.size(), 1);
        QTRY_VERIFY(tray.isNull());
        QVERIFY(!other.isVisible());
        QVERIFY(!w.plugInRegistration().bRegister);
        w.close();
        QCOMPARE(client.boxes.size(), std::size_t(2));
        QCOMPARE(unloaded.size(), 1);
    }
};

int RunFrmMainTests(int argc, char** argv) {
    TestFrmMain test;
    return QTest::qExec(&test, argc, argv);
}

#include "frm_main_test.moc"
