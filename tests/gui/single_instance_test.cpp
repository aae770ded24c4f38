#include <csignal>

#include "gui/gui_tests.h"

namespace vellorin::test {

namespace {

const QString kClient = QStringLiteral(VELLORIN_BIN_DIR "/vellorin");

// A client process with its own runtime and data folders, printing its boxes on stderr.
void Prepare(QProcess& client, const QString& runtimeDir, const QString& dataHome) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", runtimeDir);
    env.insert("XDG_DATA_HOME", dataHome);
    env.insert("VELLORIN_NONINTERACTIVE", "1");
    client.setProcessEnvironment(env);
    client.setProgram(kClient);
}

}  // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT

private slots:
    void secondStartEndsAndLeavesTheFirstRunning() {
        QTemporaryDir runtime, dataHome;
        QProcess first, second;
        Prepare(first, runtime.path(), dataHome.path());
        first.start();
        QVERIFY(first.waitForStarted());
        // The data folder is prepared after the guard was taken.
        QTRY_VERIFY_WITH_TIMEOUT(
            QFile::exists(dataHome.path() + "/Vellorin Data/subscriptions.dat"), 20000);

        Prepare(second, runtime.path(), dataHome.path());
        second.setArguments({"-s"});
        second.start();
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        const QString boxes = QString::fromUtf8(second.readAllStandardError());
        QVERIFY2(boxes.startsWith("Previous Instance of application is still Running!: Previous "
                                  "instance of application is still running. Only one Instance "
                                  "can be executed at a time. \r\n\r\nIf you don't see"),
                 qPrintable(boxes));
        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        QVERIFY(first.waitForFinished(10000));
    }

    // A session manager, systemd or a terminal ends the client: it ends as Exit answered "Yes",
    // without a question, with status 0, and the next start is the first instance again.
    void aTerminationSignalEndsTheClientWithStatus0() {
        for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
            QTemporaryDir runtime, dataHome;
            QProcess client;
            Prepare(client, runtime.path(), dataHome.path());
            client.setArguments({"-s"});
            client.start();
            QVERIFY(client.waitForStarted());
            // The signals are caught from before the load, which makes the data folder.
            QTRY_VERIFY_WITH_TIMEOUT(
                QFile::exists(dataHome.path() + "/Vellorin Data/subscriptions.dat"), 20000);
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
