#pragma once

#include <QIcon>
#include <QMainWindow>
#include <QString>

#include <array>

#include "app/main_window_hooks.h"

class QCloseEvent;
class QEvent;
class QLabel;
class QSessionManager;
class QStatusBar;
class QTimer;

namespace vellorin {

class AppContext;
class frmSysTray;

// frmMain: the program's frame window. Constructing it runs its load sequence: caption, tray
// icon with its menu and welcome balloon, data folder, settings, scheduler timer, status bar.
// It starts hidden; the program lives in the tray until the user opens the window from there.
// It answers the core's requests as the context's MainWindowHooks while it exists. The context
// must outlive the window.
class frmMain : public QMainWindow, public MainWindowHooks {
    Q_OBJECT

public:
    // How a close was asked for; only the first two ask the user first.
    enum class UnloadMode { FormControlMenu = 0, FormCode = 1, AppWindows = 2 };

    // What the browser link monitor was last told (the monitor itself comes later).
    struct PlugInRegistration {
        bool bRegister = false;
        bool bFirefox = false;
        bool bIExplore = false;
        bool bStartTimer = false;
    };

    explicit frmMain(AppContext& context, QWidget* parent = nullptr);
    ~frmMain() override;

    // MainWindowHooks
    void RegisterPlugIns(bool bRegister, bool bFirefox, bool bIExplore, bool bStartTimer) override;
    void EnableScheduleTimer() override;

    // Puts the program into the tray: creates the tray icon and its menu the first time (the
    // first item reads "Show Inbox" when `bHideMain`, else "Hide Inbox"), otherwise resets the
    // first item to "Show Inbox"; hides the window (the first time only when `bHideMain`).
    void AddToSystemTray(bool bHideMain);

    // The tray wrapper; nullptr before AddToSystemTray and after the window unloaded.
    frmSysTray* oSysTray() const { return oSysTray_; }
    QTimer* tmrSchedule() const { return tmrSchedule_; }
    QStatusBar* ucStatusBar() const { return ucStatusBar_; }
    // Status bar panel 1 to 5; nullptr for any other number.
    QLabel* StatusPanel(int number) const;
    const PlugInRegistration& plugInRegistration() const { return plugInRegistration_; }
    // The picture the tray shows while a check runs.
    const QIcon& picBusy() const { return picBusy_; }

    // Tray menu dispatch by command key.
    void oSysTray_MenuClick(int lIndex, const QString& sKey);

signals:
    // The window has unloaded: tray icon removed, other windows closed. The program ends here.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Form_Load();
    // True when the close must not go on.
    bool Form_QueryUnload(UnloadMode unloadMode);
    void Form_Unload();
    void BuildStatusBar();
    void ShowStartupPlugInDialog();
    void ToggleInbox();
    void oSysTray_SysTrayMouseDown(int eButton);
    void tmrSchedule_Timer();
    void updateClockPanels();
    void app_commitDataRequest(QSessionManager& manager);

    AppContext& context_;
    frmSysTray* oSysTray_ = nullptr;
    QTimer* tmrSchedule_ = nullptr;
    QTimer* tmrClock_ = nullptr;
    QStatusBar* ucStatusBar_ = nullptr;
    std::array<QLabel*, 5> panels_{};
    QIcon picBusy_;
    PlugInRegistration plugInRegistration_;
    // Set once the close has been agreed to, so the unload runs exactly once.
    bool unloading_ = false;
    // The desktop session is ending: closes go on without a question.
    bool sessionEnding_ = false;
    // Set while the tray's "Exit" closes the window.
    bool closingFromCode_ = false;
};

}  // namespace vellorin
