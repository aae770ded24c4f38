#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QtTest>

#include "gui/gui_tests.h"

namespace {

const QString kClient = QStringLiteral(VELLORIN_BIN_DIR "/vellorin");

// True when another process holds the guard's lock file (probed without waiting).
bool LockHeldElsewhere(const QString& lockPath) {
    int fd = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);  // releases the probe's own lock, if it got one
    return held;
}

// A client process with its own runtime and data folders, printing its boxes on stderr.
class ClientProcess : public QProcess {
public:
    ClientProcess(const QString& runtimeDir, const QString& dataHome) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", runtimeDir);
        env.insert("XDG_DATA_HOME", dataHome);
        env.insert("VELLORIN_NONINTERACTIVE", "1");
        setProcessEnvironment(env);
        setProgram(kClient);
    }
    ~ClientProcess() override {
        if (state() != QProcess::NotRunning) {
            kill();
            waitForFinished(5000);
        }
    }
};

}  // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT

private slots:
    void secondStartEndsAndLeavesTheFirstRunning() {
        QVERIFY2(QFile::exists(kClient), qPrintable(kClient));
        QTemporaryDir runtime, dataHome;
        const QString lockPath = QDir(runtime.path()).filePath("VELLORINGUARD2710KAVO.lock");
        const QString list = QDir(dataHome.path()).filePath("Vellorin Data/subscriptions.dat");

        ClientProcess first(runtime.path(), dataHome.path());
        first.start();
        QVERIFY(first.waitForStarted());
        // The data folder is prepared after the guard was taken.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(list), 20000);
        QVERIFY(LockHeldElsewhere(lockPath));

        ClientProcess second(runtime.path(), dataHome.path());
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
        QCOMPARE(boxes.count("Previous Instance of application is still Running!"), 1);

        QCOMPARE(first.state(), QProcess::Running);
        QVERIFY(LockHeldElsewhere(lockPath));
        // The first one was told nothing (Qt's own warnings may be there).
        QVERIFY(!first.readAllStandardError().contains("Previous Instance"));

        // However the first one ends, the guard goes with it.
        first.kill();
        QVERIFY(first.waitForFinished(10000));
        QVERIFY(!LockHeldElsewhere(lockPath));
    }
};

int RunSingleInstanceTests(int argc, char** argv) {
    TestSingleInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "single_instance_test.moc"
