#pragma once

#include <QPointer>
#include <QRect>
#include <QString>

#include <functional>
#include <string>

#include "inbox/check_run.h"
#include "shell/ui/frm_busy.h"

namespace vellorin {

// What a check run shows on the desktop: the busy window frmBusy with its queue list and status
// text (interactive runs), the tray icon's busy picture and one tray alert with the run's
// announcement. The tray is the frame's: it is reached through the two callbacks. Used from the
// GUI thread, which runs the checks.
class GuiCheckRunHooks : public CheckRunHooks {
public:
    // Where the main window is: its frame on the screen (a null rectangle while it is hidden)
    // and the width of its tree window frmOptions.
    struct MainWindowPlace {
        QRect frame;
        int optionsWidth = 0;
    };
    using MainWindowPlaceSource = std::function<MainWindowPlace()>;
    // The tray shows its busy picture (true) or the program's icon (false).
    using TrayBusy = std::function<void(bool busy)>;
    // The tray announces `text` for `displayMs` milliseconds.
    using TrayAlert = std::function<void(const QString& text, int displayMs)>;

    // frmBusy reads its picture from `appFolder`. Empty callbacks are skipped.
    GuiCheckRunHooks(QString appFolder, MainWindowPlaceSource mainWindowPlace, TrayBusy trayBusy,
                     TrayAlert trayAlert);
    ~GuiCheckRunHooks() override;
    GuiCheckRunHooks(const GuiCheckRunHooks&) = delete;
    GuiCheckRunHooks& operator=(const GuiCheckRunHooks&) = delete;

    // The busy window is loaded (hidden) by the first of these calls of a run and shown by
    // showBusy, placed over the main window clear of its tree pane (BusyWindowPlacement). Once
    // the user has closed it, the rest of the run leaves it closed.
    void lstQueueAddItem(const std::string& title) override;
    void lstQueueRemoveFirst() override;
    // Shows the window (without taking the focus) with `sourceTitle` in lblSource.
    void showBusy(const std::string& sourceTitle) override;
    void lblStatus(const std::string& text) override;
    // Destroys the busy window; the next run starts with a fresh one.
    void unloadBusy() override;
    void setTrayBusy(bool busy) override;
    // Passes a non-blank announcement to the tray; a blank one is dropped.
    void ucTrayAlert(const std::string& text, int displayMs) override;

    // The busy window while one is loaded and the user has not closed it, else nullptr.
    frmBusy* busyWindow() const { return closedByUser_ ? nullptr : frmBusy_.data(); }

private:
    // The loaded busy window, loaded now if need be; nullptr once the user has closed it in
    // this run.
    frmBusy* load();
    void place(frmBusy& window) const;

    QString appFolder_;
    MainWindowPlaceSource mainWindowPlace_;
    TrayBusy trayBusy_;
    TrayAlert trayAlert_;
    QPointer<frmBusy> frmBusy_;
    bool placed_ = false;
    bool closedByUser_ = false;
};

}  // namespace vellorin
