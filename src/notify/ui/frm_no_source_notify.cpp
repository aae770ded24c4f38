#include "notify/ui/frm_no_source_notify.h"

#include <QPushButton>

namespace vellorin {

frmNoSourceNotify::frmNoSourceNotify(const QString& appFolder, QWidget* parent)
    : NotificationPopup(QStringLiteral("frmNoSourceNotify"),
                        QStringLiteral("Don't Forget to add your Vellorin subscriptions here!!!"),
                        appFolder, kDesignWidth, kDesignHeight, parent) {
    btnAdd_ = addButton(QStringLiteral("btnAdd"), QStringLiteral("Add New Source"),
                        QStringLiteral("Subscribes to a Message Source of this site."), 0);
    btnManager_ = addButton(QStringLiteral("btnManager"), QStringLiteral("Subscription Manager"),
                            QStringLiteral("Opens the list of your subscriptions."), 0);
    btnClose_ = addButton(QStringLiteral("btnClose"), QStringLiteral("I'll Add Later"),
                          QStringLiteral("Hides this reminder."), 0);
    connect(btnAdd_, &QPushButton::clicked, this, [this] {
        emit addSourceRequested();
        ClosePopup();
    });
    connect(btnManager_, &QPushButton::clicked, this, [this] {
        emit managerRequested();
        ClosePopup();
    });
    connect(btnClose_, &QPushButton::clicked, this, &frmNoSourceNotify::ClosePopup);
}

}  // namespace vellorin
