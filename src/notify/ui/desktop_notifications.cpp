#include "notify/ui/desktop_notifications.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace vellorin {
namespace {

constexpr const char* kInterface = "org.freedesktop.Notifications";
const QString kDefaultAction = QStringLiteral("default");

}  // namespace

DesktopNotifications::DesktopNotifications(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("desktopNotifications"));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    bus.connect(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                QString::fromLatin1(kInterface), QStringLiteral("ActionInvoked"), this,
                SLOT(ActionInvoked(uint, QString)));
    bus.connect(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                QString::fromLatin1(kInterface), QStringLiteral("NotificationClosed"), this,
                SLOT(NotificationClosed(uint, uint)));
}

void DesktopNotifications::Notify(const QString& summary, const QString& body, int timeOutMs) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                       QString::fromLatin1(kInterface), QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("net.vellorin.Vellorin"));
    QString text = body;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    call << QCoreApplication::applicationName() << last_ << QStringLiteral("vellorin") << summary
         << text << QStringList{kDefaultAction, QStringLiteral("Open Inbox")} << hints
         << (timeOutMs > 0 ? timeOutMs : -1);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                const QDBusPendingReply<uint> reply = *finished;
                if (!reply.isError()) {
                    last_ = reply.value();
                    sent_.insert(last_);
                }
                finished->deleteLater();
            });
}

void DesktopNotifications::ActionInvoked(uint id, const QString& actionKey) {
    if (sent_.contains(id) && actionKey == kDefaultAction)
        emit activated();
}

void DesktopNotifications::NotificationClosed(uint id, uint reason) {
    (void)reason;
    sent_.remove(id);
}

}  // namespace vellorin
