#pragma once

#include <QString>

#include "notify/ui/notification_popup.h"

class QPushButton;

namespace vellorin {

// frmNoSourceNotify: invites a user without any Message Source, while the browser shows the
// service's site, to add one. Buttons btnAdd "Add New Source", btnManager "Subscription
// Manager", btnClose "I'll Add Later", each with a "Quick Info!" tooltip; the first two ask the
// main window for the subscribe dialog or the subscription manager, then every button closes
// the popup. None of them changes the snooze mode.
class frmNoSourceNotify : public NotificationPopup {
    Q_OBJECT

public:
    static constexpr int kDesignWidth = 5895;
    static constexpr int kDesignHeight = 2175;

    explicit frmNoSourceNotify(const QString& appFolder, QWidget* parent = nullptr);

    QPushButton* btnAdd() const { return btnAdd_; }
    QPushButton* btnManager() const { return btnManager_; }
    QPushButton* btnClose() const { return btnClose_; }

signals:
    void addSourceRequested();
    void managerRequested();

private:
    QPushButton* btnAdd_ = nullptr;
    QPushButton* btnManager_ = nullptr;
    QPushButton* btnClose_ = nullptr;
};

}  // namespace vellorin
