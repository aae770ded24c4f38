// Balloons without a tray: desktop notifications to a server on the test's own session bus
// (dbus-run-session, VELLORIN_DBUS_TESTS=1; skipped elsewhere, never the user's desktop).

#include <QDBusConnection>
#include <QDBusMessage>

#include "gui/frm_main_client.h"
#include "gui/gui_tests.h"
#include "notify/ui/desktop_notifications.h"

namespace vellorin::test {

// What a desktop's notification service does, as far as the client uses it: it takes
// notifications, records them and gives each an id.
class NotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Received {
        QString body;
        uint replacesId;
        QStringList actions;
    };
    QList<Received> received;

public slots:
    Q_SCRIPTABLE uint Notify(const QString& appName, uint replacesId, const QString& appIcon,
                             const QString& summary, const QString& body,
                             const QStringList& actions, const QVariantMap& hints, int timeOut) {
        (void)appName, (void)appIcon, (void)summary, (void)hints, (void)timeOut;
        received.append({body, replacesId, actions});
        return replacesId != 0 ? replacesId : static_cast<uint>(received.size()) + 40;
    }
    Q_SCRIPTABLE QStringList GetCapabilities() { return {QStringLiteral("actions")}; }
};

class TestDesktopNotifications : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (qEnvironmentVariable("VELLORIN_DBUS_TESTS") != QLatin1String("1"))
            QSKIP("needs a private session bus (dbus-run-session)");
        server_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                QStringLiteral("notificationServer"));
        QVERIFY(server_.isConnected());
        QVERIFY(server_.registerObject(QString::fromLatin1(DesktopNotifications::kPath), &service_,
                                       QDBusConnection::ExportScriptableSlots));
        QVERIFY(server_.registerService(QString::fromLatin1(DesktopNotifications::kService)));
    }

    // Without a tray the welcome balloon and a run's announcement become notifications, the
    // second in place of the first; a click on one opens the inbox.
    void withoutATrayBalloonsAreDesktopNotificationsThatOpenTheInbox() {
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        Client client({"", "-s", WithoutTray});
        frmMain& w = *client.window;
        QTRY_COMPARE(service_.received.size(), 1);
        QCOMPARE(service_.received[0].replacesId, 0u);
        QVERIFY(service_.received[0].actions.contains(QStringLiteral("default")));
        QTRY_COMPARE(client.tray().findChild<DesktopNotifications*>()->LastId(), 41u);

        w.ucTrayAlert("You have 2 New Messages \r\n in Bravo account.\r\n\r\n", 6000);
        QTRY_COMPARE(service_.received.size(), 2);
        QCOMPARE(service_.received[1].body,
                 QStringLiteral("You have 2 New Messages \n in Bravo account.\n\n"));
        QCOMPARE(service_.received[1].replacesId, 41u);

        w.showMinimized();
        QTRY_VERIFY(w.isMinimized());
        invoke(7, "default");  // not ours
        QTest::qWait(200);
        QVERIFY(w.isMinimized());
        invoke(41, "default");
        QTRY_VERIFY(!w.isMinimized());
        QVERIFY(w.isVisible());
    }

private:
    void invoke(uint id, const char* action) {
        QDBusMessage signal = QDBusMessage::createSignal(
            QString::fromLatin1(DesktopNotifications::kPath),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
        signal << id << QString::fromLatin1(action);
        QVERIFY(server_.send(signal));
    }

    QDBusConnection server_{QString()};
    NotificationServer service_;
};

}  // namespace vellorin::test

VELLORIN_GUI_TESTS_IN(DBus, DesktopNotifications)

#include "desktop_notifications_test.moc"
