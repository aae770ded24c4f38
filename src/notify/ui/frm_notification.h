#pragma once

#include <QString>

#include "notify/ui/notification_popup.h"

class QPushButton;

namespace vellorin {

// frmNotification: tells the user, while the browser shows the service's site, that the inbox
// holds unread messages. Buttons btnRead " Read Now!", btnSleep "Sleep!", btnSnooze "Snooze!",
// btnCheckNew "Check Messages Now!", btnClose "Hide", each with a "Quick Info!" tooltip. Every
// button first reports the snooze mode it chooses (0 for Read Now!, Check Messages Now! and Hide,
// 1 for Snooze!, 2 for Sleep!), then Read Now! and Check Messages Now! ask for the main window's
// tray commands "show" and "checkmsg", then the popup closes.
class frmNotification : public NotificationPopup {
    Q_OBJECT

public:
    static constexpr int kDesignWidth = 5535;
    static constexpr int kDesignHeight = 2280;

    explicit frmNotification(const QString& appFolder, QWidget* parent = nullptr);

    QPushButton* btnRead() const { return btnRead_; }
    QPushButton* btnSleep() const { return btnSleep_; }
    QPushButton* btnSnooze() const { return btnSnooze_; }
    QPushButton* btnCheckNew() const { return btnCheckNew_; }
    QPushButton* btnClose() const { return btnClose_; }

signals:
    // PlugInSnoozeMode as the button sets it: 0 none, 1 snooze, 2 sleep.
    void snoozeModeChosen(int mode);
    // A command for the main window's tray menu handler (index 0, command key).
    void trayCommand(int lIndex, const QString& sKey);

private:
    void answer(int mode, const QString& trayKey);

    QPushButton* btnRead_ = nullptr;
    QPushButton* btnSleep_ = nullptr;
    QPushButton* btnSnooze_ = nullptr;
    QPushButton* btnCheckNew_ = nullptr;
    QPushButton* btnClose_ = nullptr;
};

}  // namespace vellorin
