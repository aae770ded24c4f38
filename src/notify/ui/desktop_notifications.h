#pragma once

#include <QObject>
#include <QSet>
#include <QString>

namespace vellorin {

// Desktop notifications through the notification service of the session bus
// (org.freedesktop.Notifications), for the desktops where no tray shows the program's balloons.
// Each notification offers its default action, which the service invokes when the user clicks
// it; `activated` reports that for the notifications sent here.
//
// Calls never wait for the service: without a session bus or a service a notification is
// simply not seen.
class DesktopNotifications : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kService = "org.freedesktop.Notifications";
    static constexpr const char* kPath = "/org/freedesktop/Notifications";

    explicit DesktopNotifications(QObject* parent = nullptr);

    // Sends a notification with `summary` (the title) and `body`, shown for `timeOutMs`
    // milliseconds (the service's own time when 0 or less); it replaces the one sent before.
    void Notify(const QString& summary, const QString& body, int timeOutMs);
    // The id the service gave the last notification it took (0 before the first reply).
    uint LastId() const { return last_; }

signals:
    // The user clicked a notification sent here.
    void activated();

private slots:
    // The service's signals (D-Bus slots take the signals' arguments).
    void ActionInvoked(uint id, const QString& actionKey);
    void NotificationClosed(uint id, uint reason);

private:
    QSet<uint> sent_;
    uint last_ = 0;
};

}  // namespace vellorin
