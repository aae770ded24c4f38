#include "notify/ui/frm_notification.h"

#include <QPushButton>

namespace vellorin {

frmNotification::frmNotification(const QString& appFolder, QWidget* parent)
    : NotificationPopup(QStringLiteral("frmNotification"),
                        QStringLiteral("There are some Unread Messages in your Vellorin Inbox. "
                                       "What you would like Vellorin application to do?"),
                        appFolder, kDesignWidth, kDesignHeight, parent) {
    btnRead_ = addButton(QStringLiteral("btnRead"), QStringLiteral(" Read Now!"),
                         QStringLiteral("Opens your Vellorin Inbox to read the messages."), 0);
    btnCheckNew_ =
        addButton(QStringLiteral("btnCheckNew"), QStringLiteral("Check Messages Now!"),
                  QStringLiteral("Checks all your Message Sources for new messages."), 0);
    btnSnooze_ = addButton(QStringLiteral("btnSnooze"), QStringLiteral("Snooze!"),
                           QStringLiteral("Reminds you again in 10 minutes."), 1);
    btnSleep_ = addButton(QStringLiteral("btnSleep"), QStringLiteral("Sleep!"),
                          QStringLiteral("Reminds you again in 50 minutes."), 1);
    btnClose_ = addButton(QStringLiteral("btnClose"), QStringLiteral("Hide"),
                          QStringLiteral("Hides this reminder."), 1);
    connect(btnRead_, &QPushButton::clicked, this, [this] { answer(0, QStringLiteral("show")); });
    connect(btnCheckNew_, &QPushButton::clicked, this,
            [this] { answer(0, QStringLiteral("checkmsg")); });
    connect(btnSnooze_, &QPushButton::clicked, this, [this] { answer(1, QString()); });
    connect(btnSleep_, &QPushButton::clicked, this, [this] { answer(2, QString()); });
    connect(btnClose_, &QPushButton::clicked, this, [this] { answer(0, QString()); });
}

void frmNotification::answer(int mode, const QString& trayKey) {
    emit snoozeModeChosen(mode);
    if (!trayKey.isEmpty())
        emit trayCommand(0, trayKey);
    ClosePopup();
}

}  // namespace vellorin
