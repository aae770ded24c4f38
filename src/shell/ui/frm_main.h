#pragma once

#include <QIcon>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "base/main_window_hooks.h"
#include "base/monotonic_clock.h"
#include "browserlink/link_handling.h"
#include "config/ui/frm_reg_plugin.h"
#include "inbox/scheduler.h"
#include "shell/ui/main_menus.h"
#include "subscriptions/ui/frm_drop_box.h"

class QCloseEvent;
class QDockWidget;
class QEvent;
class QHideEvent;
class QLabel;
class QMdiArea;
class QSessionManager;
class QShowEvent;
class QTimer;

namespace vellorin {

class AppContext;
class FormDock;
class GuiCheckRunHooks;
class MainStatusBar;
class MdiMessageWindows;
class TreeControl;
class clsURLMon;
class frmNoSourceNotify;
class frmNotification;
class frmOptions;
class frmSysTray;
class TrayUnreadBadge;

// frmMain: the program's frame window: the menu bar, the tree pane docked on the left
// (ucFormDock, which cannot be closed), the message windows as closable tabs of an MDI area, the
// five status panels, the scheduler timer, the tray icon (frmSysTray) and the close question.
//
// Constructing it runs its load sequence: caption, tray icon with its menu and welcome balloon,
// the plug-in dialog (always on top) unless the command line is exactly "-s", data folder,
// settings, scheduler timer, status texts. It starts hidden in the tray; where the desktop has
// no tray (`trayAvailable` false) it is shown instead, minimises to the task bar and says why in
// status panel 1, so the program never becomes unreachable.
//
// While it exists it answers the core as the context's MainWindowHooks and the scheduler's view
// (panel 3 and tmrSchedule follow the Scheduler). The context must outlive the window.
//
// It owns the browser plug-in (frm_main_plugin.cpp): the URL monitor, whose new addresses
// ProcessURL judges, and the two popups it opens.
class frmMain : public QMainWindow,
                public MainWindowHooks,
                public SchedulerView,
                public PlugInPopupHost {
    Q_OBJECT

public:
    // How a close was asked for; only the first two ask the user first.
    enum class UnloadMode { FormControlMenu = 0, FormCode = 1, AppWindows = 2 };

    // What the browser link monitor was last told.
    struct PlugInRegistration {
        bool bRegister = false;
        bool bFirefox = false;
        bool bIExplore = false;
        bool bStartTimer = false;
    };

    // Whether the desktop shows tray icons right now.
    using TrayAvailability = bool (*)();
    // Opens a web page or a "mailto:" address in the desktop's program for it.
    using UrlOpener = std::function<void(const QUrl&)>;

    explicit frmMain(AppContext& context, QWidget* parent = nullptr,
                     TrayAvailability trayAvailable = nullptr);
    ~frmMain() override;

    // --- Integration points.

    // Docks the tree window frmOptions into ucFormDock in place of what the dock held (deleted);
    // the dock owns it from then on and takes its caption. nullptr is ignored.
    void setTreeWindow(QWidget* frmOptions);
    QWidget* treeWindow() const;
    QDockWidget* ucFormDock() const;
    // The message tree (tvMessages) the check commands and the schedule work on; borrowed, must
    // outlive the window or be reset. While it is nullptr those commands and ticks do nothing.
    void setMessageTree(TreeControl* tvMessages);
    // oTabs: the message windows' MDI area (tabbed, closable tabs). File > Save As and Print call
    // the active sub-window's widget's invokable slots savePageAs() and printPage(); the items
    // are disabled while the active sub-window's widget has no such slot.
    QMdiArea* mdiArea() const { return mdiArea_; }
    // Replaces how help pages and mail addresses are opened (QDesktopServices by default).
    void setUrlOpener(UrlOpener opener) { urlOpener_ = std::move(opener); }
    // Replaces what a link dropped on the drop box opens once the drop box's checks pass
    // (SubscribeDroppedLink: the subscribe dialog, modeless and without owner, with the link put
    // into its link field).
    using DroppedLinkHandler = std::function<void(const QString& link)>;
    void setDroppedLinkHandler(DroppedLinkHandler handler) {
        droppedLinkHandler_ = std::move(handler);
    }

    // --- What a check run shows (called by the check run's hooks).

    // SetBusy: the tray shows picBusy while `busy`, the window's own icon (with the number of
    // unread messages drawn on it) otherwise.
    void setTrayBusy(bool busy);
    // ucTrayAlert: the run's announcement as a tray balloon (a desktop notification) for
    // `lDisplayMs` milliseconds; a blank text shows nothing. Takes no keyboard focus.
    void ucTrayAlert(const QString& sText, int lDisplayMs);

    // --- MainWindowHooks and SchedulerView.
    void RegisterPlugIns(bool bRegister, bool bFirefox, bool bIExplore, bool bStartTimer) override;
    void EnableScheduleTimer() override;
    void statusChanged(const std::string& text) override;
    void timerChanged(int intervalMs, bool enabled) override;

    // --- The browser plug-in (frm_main_plugin.cpp).

    // Judges an address the monitor reports (see BrowserLinkHandling::ProcessURL) and opens the
    // popup it calls for, without taking the keyboard focus.
    void ProcessURL(const QString& sURL);
    bool isPopupOpen(PlugInPopup popup) const override;
    void showPopup(PlugInPopup popup) override;
    // The monitor; nullptr before the first registration and after the window unloaded.
    clsURLMon* oUrlMon() const { return oUrlMon_.get(); }
    BrowserLinkHandling& plugIn() { return plugIn_; }
    // Enabled at the end of the load and by each save of the plug-in dialog; one tick per start.
    QTimer* tmrPlugIn() const { return tmrPlugIn_; }
    // The open popups, or nullptr.
    frmNotification* notificationPopup() const;
    frmNoSourceNotify* noSourcePopup() const;
    // Replaces the clock that measures the popups' hold-back (borrowed).
    void setPlugInClock(const MonotonicClock& clock) { plugIn_.setMonotonicClock(clock); }

    // --- Commands (menus, tray, option bar).

    // Puts the program into the tray: creates the tray icon and its menu the first time (the
    // first item reads "Show Inbox" when `bHideMain`, else "Hide Inbox"), and hides the window
    // (the first time only when `bHideMain`). Without a tray the window is minimised instead
    // (shown, at start-up).
    void AddToSystemTray(bool bHideMain);
    // Tray menu dispatch by command key.
    void oSysTray_MenuClick(int lIndex, const QString& sKey);
    // The desktop session is ending (the session manager asks to save): a close that is not the
    // user's goes on without the question. A close by the user (Exit, the close box) shows that
    // the logout was cancelled and asks again.
    void QueryEndSession();
    // Ends the program as Exit answered "Yes" does, without the question (a termination signal):
    // a check run stops after the source it works on, the windows unload (the drop box stores its
    // place) and `unloaded` follows.
    void UnloadWithoutQuestion();
    // The scheduler timer's tick.
    void tmrSchedule_Timer();
    void mnuMsgSourceCheckCurrent_Click();
    void mnuMsgSourceCheckAll_Click();
    // The subscribe window, modal and owned by this window (also the tray's "newsource").
    void mnuMsgSourceNew_Click();
    // The subscription manager, modal without owner; the message tree shows its changes when it
    // closes.
    void mnuMsgSourceManage_Click();
    // A link dropped on the drop box: the subscribe window modeless without owner, the link put
    // into its link field.
    void SubscribeDroppedLink(const QString& sLink);
    // The plug-in dialog, modeless; `topMost` puts it into the always-on-top band (start-up).
    void mnuToolsPlugIn_Click(bool topMost = false);
    // The preferences dialog, modal.
    void mnuToolsSettings_Click();
    // Finding and reading (frm_main_reading.cpp): the search field, the next unread message,
    // Mark All as Read for the selected source and for every source.
    void mnuMsgSourceFind_Click();
    void mnuMsgSourceNextUnread_Click();
    void mnuMsgSourceMarkRead_Click();
    void mnuMsgSourceMarkAllRead_Click();
    // The drop box toggle (Tools menu and the tray's "dropbox"): closes the drop box when it is
    // open (which saves its settings) and unchecks mnuToolsDropBox, otherwise opens it, without
    // taking the focus, and checks the item. However the box closes, the item is unchecked.
    void mnuToolsDropBox_Click();
    // The help page (Online Help, Visit our Website) and the contact address (Contact Us).
    void mnuHelpFile_Click();
    void mnuHelpEmail_Click();

    // --- State, for tests and the windows around.

    // The tray wrapper; nullptr before AddToSystemTray and after the window unloaded.
    frmSysTray* oSysTray() const { return oSysTray_; }
    QTimer* tmrSchedule() const { return tmrSchedule_; }
    MainStatusBar* ucStatusBar() const { return ucStatusBar_; }
    // Status bar panel 1 to 5; nullptr for any other number.
    QLabel* StatusPanel(int number) const;
    // The status bar's word on the search shown ("3 messages match"); hidden without a search.
    QLabel* SearchPanel() const { return lblSearchMatches_; }
    const MainMenus& menus() const { return menus_; }
    // The open drop box, or nullptr.
    frmDropBox* dropBox() const { return dropBox_; }
    // The open plug-in dialog, or nullptr.
    frmRegPlugin* plugInDialog() const { return plugInDialog_; }
    const PlugInRegistration& plugInRegistration() const { return plugInRegistration_; }
    // The picture the tray shows while a check runs.
    const QIcon& picBusy() const { return picBusy_; }

signals:
    // The window has unloaded: tray icon removed, other windows closed. The program ends here.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Form_Load();
    void BuildFrame();
    void ConnectMenus();
    void ConnectReadingCommands();
    // True when the close must not go on.
    bool Form_QueryUnload(UnloadMode unloadMode);
    void Form_Unload();
    // Hides the window into the tray, or where there is no tray minimises it (shows it when it is
    // hidden) and says why.
    void HideToTray();
    void ToggleInbox();
    void ShowInbox();
    void CloseFromCode();
    void oSysTray_SysTrayMouseDown(int eButton);
    QWidget* activeMessageWidget() const;
    void updateFileItems();
    void mnuFileSaveAs_Click();
    void mnuFilePrint_Click();
    void openTarget(const QString& target);
    void app_commitDataRequest(QSessionManager& manager);

    // The tree window, the message windows over the MDI area and the check run's busy window,
    // wired to the core (frm_main_windows.cpp).
    void LoadWindows();
    void CreatePlugInTimer();
    void DeletePopups();
    // The unread count on the tray icon, over the tree window's message tree.
    void CreateTrayBadge();
    // Status panel 2: "AutoCheck: ..." of the frequency in use.
    void ShowFrequency();
    void tmrPlugIn_Timer();

    AppContext& context_;
    std::unique_ptr<MdiMessageWindows> messageWindows_;
    std::unique_ptr<GuiCheckRunHooks> checkRunHooks_;
    frmOptions* frmOptions_ = nullptr;
    TrayAvailability trayAvailable_;
    UrlOpener urlOpener_;
    MainMenus menus_;
    FormDock* ucFormDock_ = nullptr;
    QMdiArea* mdiArea_ = nullptr;
    MainStatusBar* ucStatusBar_ = nullptr;
    QLabel* lblSearchMatches_ = nullptr;
    frmSysTray* oSysTray_ = nullptr;
    // Observes the tree window's message tree: goes before the tree does.
    std::unique_ptr<TrayUnreadBadge> trayBadge_;
    QTimer* tmrSchedule_ = nullptr;
    TreeControl* messageTree_ = nullptr;
    QPointer<frmRegPlugin> plugInDialog_;
    // A window of its own (no owner), so that it stays shown while this window is in the tray.
    QPointer<frmDropBox> dropBox_;
    DroppedLinkHandler droppedLinkHandler_;
    QIcon picBusy_;
    PlugInRegistration plugInRegistration_;
    // Set once the close has been agreed to, so the unload runs exactly once.
    bool unloading_ = false;
    // The desktop session is ending: closes not made by the user go on without a question.
    bool sessionEnding_ = false;
    // The program is to end without the question (UnloadWithoutQuestion).
    bool endingWithoutQuestion_ = false;
    // Set while the program itself closes the window (tray "Exit", File > Exit).
    bool closingFromCode_ = false;
    SystemMonotonicClock monotonicClock_;
    BrowserLinkHandling plugIn_;
    std::unique_ptr<clsURLMon> oUrlMon_;
    QTimer* tmrPlugIn_ = nullptr;
    QPointer<frmNotification> frmNotification_;
    QPointer<frmNoSourceNotify> frmNoSourceNotify_;
};

}  // namespace vellorin
