#include <csignal>

#include "gui/gui_tests.h"

namespace vellorin::test {
namespace {

// Starts a client with its own runtime and data folders (boxes on stderr); waits until it has
// prepared its data folder, after taking the guard and catching the termination signals.
bool Start(QProcess& client, const QTemporaryDir& runtime, const QTemporaryDir& dataHome,
           const QStringList& arguments) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    env.insert("XDG_DATA_HOME", dataHome.path());
    env.insert("VELLORIN_NONINTERACTIVE", "1");
    client.setProcessEnvironment(env);
    client.start(QStringLiteral(VELLORIN_BIN_DIR "/vellorin"), arguments);
    return client.waitForStarted() &&
           QTest::qWaitFor(
               [&] { return QFile::exists(dataHome.path() + "/Vellorin Data/subscriptions.dat"); },
               20000);
}

}  // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT

private slots:
    void secondStartEndsAndLeavesTheFirstRunning() {
        QTemporaryDir runtime, dataHome;
        QProcess first, second;
        QVERIFY(Start(first, runtime, dataHome, {}));
        second.setProcessEnvironment(first.processEnvironment());
        second.start(first.program(), {"-s"});
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(second.readAllStandardError().startsWith(
            "Previous Instance of application is still Running!: Previous instance of application "
            "is still running. Only one Instance can be executed at a time."));
        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        QVERIFY(first.waitForFinished(10000));
    }

    // A session manager, systemd or a terminal ends the client: as Exit answered "Yes", without
    // a question, with status 0.
    void aTerminationSignalEndsTheClientWithStatus0() {
        for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
            QTemporaryDir runtime, dataHome;
            QProcess client;
            QVERIFY(Start(client, runtime, dataHome, {"-s"}));
            QCOMPARE(::kill(static_cast<pid_t>(client.processId()), signal), 0);
            QVERIFY2(client.waitForFinished(20000), qPrintable(QString::number(signal)));
            QCOMPARE(client.exitStatus(), QProcess::NormalExit);
            QCOMPARE(client.exitCode(), 0);
            QVERIFY(!client.readAllStandardError().contains("Close Vellorin Application Now?"));
        }
    }
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS(SingleInstance)

#include "single_instance_test.moc"
