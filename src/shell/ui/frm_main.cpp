#include "shell/ui/frm_main.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QSessionManager>
#include <QSystemTrayIcon>
#include <QTimer>

#include "base/app_context.h"
#include "base/application_build.h"
#include "base/command_line.h"
#include "base/constants.h"
#include "base/ui/app_icons.h"
#include "base/ui/gui_helpers.h"
#include "browserlink/url_monitor.h"
#include "config/settings.h"
#include "config/ui/frm_reg_plugin.h"
#include "notify/ui/frm_sys_tray.h"
#include "notify/ui/tray_unread_badge.h"
#include "shell/platform_choice.h"
#include "shell/ui/form_dock.h"
#include "shell/ui/gui_check_run_hooks.h"
#include "shell/ui/main_status_bar.h"
#include "subscriptions/subscriptions.h"
#include "subscriptions/ui/frm_drop_box.h"
#include "subscriptions/ui/frm_subscr_list_manager.h"
#include "subscriptions/ui/frm_subscribe.h"
#include "view/ui/mdi_message_windows.h"

namespace vellorin {
namespace {

const QString kShowInbox = QStringLiteral("Show Inbox");
const QString kHideInbox = QStringLiteral("Hide Inbox");

// The tray menu after its first item, in order: caption and command key.
struct TrayMenuEntry {
    const char* caption;
    const char* key;
};
constexpr TrayMenuEntry kTrayMenu[] = {
    {"-", ""},
    {"Subscribe to New Source", "newsource"},
    {"Check for New Messages", "checkmsg"},
    {"-", ""},
    {"Vellorin Dropbox", "dropbox"},
    {"-", ""},
    {"Plug-In Configuration", "plugin"},
    {"Settings", "settings"},
    {"-", ""},
    {"Help File", "helpfile"},
    {"Contact Us", "email"},
    {"Visit our Website", "website"},
    {"-", ""},
    {"Exit", "exit"},
};

const char* const kCloseCaption = "Close Vellorin Application Now?";
const char* const kCloseText =
    "Are you sure you want to close Application? Instead, you may minimize Application to System "
    "Tray area (bottom right corner of your screen where system clock is shown).\r\n\r\n"
    "Do you really want to close Application?";

const char* const kNoTrayNotice =
    "This desktop shows no tray icons: Vellorin stays in the task bar when minimised.";

const char* const kNoPlacementNotice =
    "This desktop lets no program place its windows: the drop box cannot keep its place.";

}  // namespace

frmMain::frmMain(AppContext& context, QWidget* parent, TrayAvailability trayAvailable)
    : QMainWindow(parent),
      context_(context),
      trayAvailable_(trayAvailable ? trayAvailable : &QSystemTrayIcon::isSystemTrayAvailable),
      urlOpener_([](const QUrl& url) { QDesktopServices::openUrl(url); }),
      plugIn_(context.seam(), context.appFolder(), context.clock(), monotonicClock_) {
    setObjectName(QStringLiteral("frmMain"));
    resize(1000, 680);
    context_.setHooks(this);
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, &frmMain::app_commitDataRequest);
    CreatePlugInTimer();
    Form_Load();
}

frmMain::~frmMain() {
    // The message windows still open go with the area after this body, and the area reports the
    // change of its active window to a main window that is no longer one.
    if (mdiArea_ != nullptr)
        disconnect(mdiArea_, nullptr, this, nullptr);
    trayBadge_.reset();
    // The subscription windows borrow the message tree, which goes with this window; an unowned
    // one would outlive it.
    delete frmSubscribe::Instance();
    delete frmSubscrListManager::Instance();
    DeletePopups();
    // Normally the unload has closed the drop box (saving its settings); a window destroyed
    // without unloading takes the box with it.
    if (dropBox_ != nullptr) {
        disconnect(dropBox_, nullptr, this, nullptr);
        delete dropBox_.data();
    }
    context_.scheduler.setView(nullptr);
    context_.setHooks(nullptr);
    context_.check.setHooks(nullptr);
}

void frmMain::Form_Load() {
    const QString appFolder = QString::fromStdString(context_.appFolder());

    // 1. The caption; the tray tip copies it.
    setWindowTitle(
        QString::fromStdString(std::string(kMainCaptionPrefix) + ApplicationBuild(true, true)));
    setWindowIcon(LoadAppIcon(appFolder, QString::fromLatin1(kAppIconFileName)));
    picBusy_ = LoadAppIcon(appFolder, QString::fromLatin1(kBusyIconFileName));

    // 2.-3. Menus, the dock with the tree pane, the message windows' tabs, the status bar.
    BuildFrame();
    LoadWindows();
    ConnectMenus();

    // 4. Into the tray, window hidden.
    AddToSystemTray(true);

    // 5. The plug-in dialog, unless started silently (as the login entry does).
    if (!IsSilentStart(context_.commandLine()))
        mnuToolsPlugIn_Click(true);

    // 6.-8. Data folder, then the settings; the plug-in load registers the browser monitor
    // through our hooks.
    context_.subscriptions.EnsureDataFolder();
    context_.settings.LoadAppSettings(false);
    context_.settings.LoadPlugInSettings(false);

    // 9. The scheduler's first tick comes 20 s after start-up; tmrSchedule follows the
    // scheduler's timer from here on.
    tmrSchedule_ = new QTimer(this);
    tmrSchedule_->setObjectName(QStringLiteral("tmrSchedule"));
    connect(tmrSchedule_, &QTimer::timeout, this, &frmMain::tmrSchedule_Timer);
    context_.scheduler.setView(this);
    context_.scheduler.EnableTimer();

    // Wayland (where the client runs when XWayland is missing, or by the user's choice) lets no
    // program place its windows.
    if (!PlatformPlacesWindows(QGuiApplication::platformName().toStdString()))
        ucStatusBar_->SetPlacementNotice(QString::fromLatin1(kNoPlacementNotice));

    // 10.-11. The status texts.
    ShowFrequency();
    ucStatusBar_->SetPanelText(3, QString::fromStdString(context_.scheduler.statusText()));

    // 12. The plug-in timer.
    tmrPlugIn_->start();
}

void frmMain::BuildFrame() {
    menus_ = BuildMainMenus(menuBar());

    ucFormDock_ = new FormDock(this);
    ucFormDock_->setWindowTitle(QStringLiteral("Message Sources"));
    auto* placeholder = new QWidget(ucFormDock_);
    placeholder->setObjectName(QStringLiteral("frmOptionsPlaceholder"));
    placeholder->setMinimumWidth(240);
    ucFormDock_->setWidget(placeholder);
    addDockWidget(Qt::LeftDockWidgetArea, ucFormDock_);

    mdiArea_ = new QMdiArea(this);
    mdiArea_->setObjectName(QStringLiteral("oTabs"));
    mdiArea_->setViewMode(QMdiArea::TabbedView);
    mdiArea_->setTabsClosable(true);
    mdiArea_->setTabsMovable(true);
    mdiArea_->setDocumentMode(true);
    setCentralWidget(mdiArea_);
    connect(mdiArea_, &QMdiArea::subWindowActivated, this, &frmMain::updateFileItems);

    ucStatusBar_ = new MainStatusBar(context_.clock(), this);
    setStatusBar(ucStatusBar_);
    updateFileItems();
}

void frmMain::setTreeWindow(QWidget* frmOptions) {
    if (frmOptions == nullptr)
        return;
    QWidget* old = ucFormDock_->widget();
    // The badge counts the messages of the tree window that goes.
    if (old != frmOptions)
        trayBadge_.reset();
    ucFormDock_->setWidget(frmOptions);
    if (old != nullptr && old != frmOptions)
        old->deleteLater();
    if (!frmOptions->windowTitle().isEmpty())
        ucFormDock_->setWindowTitle(frmOptions->windowTitle());
}

QWidget* frmMain::treeWindow() const {
    return ucFormDock_->widget();
}

QDockWidget* frmMain::ucFormDock() const {
    return ucFormDock_;
}

void frmMain::setMessageTree(TreeControl* tvMessages) {
    messageTree_ = tvMessages;
}

QLabel* frmMain::StatusPanel(int number) const {
    return ucStatusBar_->Panel(number);
}

void frmMain::AddToSystemTray(bool bHideMain) {
    if (oSysTray_ != nullptr) {
        oSysTray_->SetMenuItemCaption(0, kShowInbox);
        HideToTray();
        return;
    }

    oSysTray_ = new frmSysTray(windowIcon(), this);
    connect(oSysTray_, &frmSysTray::MenuClick, this, &frmMain::oSysTray_MenuClick);
    connect(oSysTray_, &frmSysTray::SysTrayMouseDown, this, &frmMain::oSysTray_SysTrayMouseDown);
    // The welcome balloon promises that a double-click opens the window.
    connect(oSysTray_, &frmSysTray::SysTrayDoubleClick, this, &frmMain::ShowInbox);
    // A click on a balloon (or on the desktop notification in its place) opens the inbox.
    connect(oSysTray_, &frmSysTray::BalloonClicked, this, &frmMain::ShowInbox);

    oSysTray_->AddMenuItem(bHideMain ? kShowInbox : kHideInbox, QStringLiteral("show"), true);
    for (const TrayMenuEntry& entry : kTrayMenu)
        oSysTray_->AddMenuItem(QString::fromLatin1(entry.caption), QString::fromLatin1(entry.key));
    oSysTray_->SetIcon(windowIcon());
    oSysTray_->SetToolTip(windowTitle());
    CreateTrayBadge();
    oSysTray_->ShowBalloonTip(
        QStringLiteral("Double-click to launch Application interface or Right-click for more "
                       "options."),
        QStringLiteral("Vellorin is available here!"), QSystemTrayIcon::Information, 6000);
    if (bHideMain)
        HideToTray();
}

void frmMain::HideToTray() {
    if (trayAvailable_()) {
        ucStatusBar_->SetTrayNotice(QString());
        hide();
        return;
    }
    ucStatusBar_->SetTrayNotice(QString::fromLatin1(kNoTrayNotice));
    if (isVisible())
        setWindowState(windowState() | Qt::WindowMinimized);
    else
        show();
}

void frmMain::ToggleInbox() {
    if (oSysTray_ == nullptr)
        return;
    if (oSysTray_->MenuItemCaption(0) == kShowInbox)
        ShowInbox();
    else
        AddToSystemTray(true);
}

void frmMain::ShowInbox() {
    if (oSysTray_ != nullptr)
        oSysTray_->SetMenuItemCaption(0, kHideInbox);
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void frmMain::oSysTray_SysTrayMouseDown(int eButton) {
    (void)eButton;
    if (oSysTray_ != nullptr)
        oSysTray_->ShowMenu();
}

void frmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (oSysTray_ != nullptr)
        oSysTray_->SetMenuItemCaption(0, kHideInbox);
}

void frmMain::hideEvent(QHideEvent* event) {
    QMainWindow::hideEvent(event);
    if (oSysTray_ != nullptr)
        oSysTray_->SetMenuItemCaption(0, kShowInbox);
}

void frmMain::setTrayBusy(bool busy) {
    if (trayBadge_ != nullptr)
        trayBadge_->setBusy(busy);
    else if (oSysTray_ != nullptr)
        oSysTray_->SetIcon(busy ? picBusy_ : windowIcon());
}

void frmMain::ucTrayAlert(const QString& sText, int lDisplayMs) {
    if (oSysTray_ == nullptr || sText.trimmed().isEmpty())
        return;
    oSysTray_->ShowBalloonTip(sText, QString::fromLatin1(kProductName),
                              QSystemTrayIcon::Information, lDisplayMs);
}

void frmMain::statusChanged(const std::string& text) {
    ucStatusBar_->SetPanelText(3, QString::fromStdString(text));
}

void frmMain::timerChanged(int intervalMs, bool enabled) {
    if (tmrSchedule_ == nullptr)
        return;
    tmrSchedule_->setInterval(intervalMs);
    if (!enabled)
        tmrSchedule_->stop();
    else if (!tmrSchedule_->isActive())
        tmrSchedule_->start();
}

void frmMain::EnableScheduleTimer() {
    context_.scheduler.EnableTimer();
}

void frmMain::app_commitDataRequest(QSessionManager& manager) {
    (void)manager;
    QueryEndSession();
}

void frmMain::CloseFromCode() {
    closingFromCode_ = true;
    close();
    closingFromCode_ = false;
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (unloading_) {
        event->accept();
        return;
    }
    // The session manager gives no word when a logout is cancelled; the user closing the window
    // (Exit, the close box) is the sign that the session goes on.
    const bool byUser = closingFromCode_ || event->spontaneous();
    if (byUser)
        sessionEnding_ = false;
    UnloadMode mode = sessionEnding_ || endingWithoutQuestion_ ? UnloadMode::AppWindows
                      : byUser && !closingFromCode_            ? UnloadMode::FormControlMenu
                                                               : UnloadMode::FormCode;
    if (Form_QueryUnload(mode)) {
        event->ignore();
        return;
    }
    unloading_ = true;
    event->accept();
    Form_Unload();
}

bool frmMain::Form_QueryUnload(UnloadMode unloadMode) {
    if (unloadMode != UnloadMode::FormControlMenu && unloadMode != UnloadMode::FormCode)
        return false;
    MsgAnswer answer = context_.seam().messageBox(kCloseCaption, kCloseText, MsgIcon::Question,
                                                  MsgButtons::YesNo, MsgDefault::First);
    if (answer == MsgAnswer::Yes)
        return false;
    AddToSystemTray(true);
    return true;
}

void frmMain::Form_Unload() {
    context_.scheduler.DisableTimer();
    trayBadge_.reset();
    if (oSysTray_ != nullptr) {
        oSysTray_->Unload();
        // The wrapper may be the sender of the signal that brought us here ("Exit").
        oSysTray_->deleteLater();
        oSysTray_ = nullptr;
    }
    RegisterPlugIns(false, false, false, false);
    // A floating tree pane is a window of its own, which must go too.
    ucFormDock_->allowClose();
    UnloadAllForms(this);
    emit unloaded();
}

void frmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && trayAvailable_()) {
        // Hiding from inside the state change confuses some window managers: do it right after.
        QTimer::singleShot(0, this, [this] {
            if (isMinimized() && isVisible())
                AddToSystemTray(true);
        });
    }
}

}  // namespace vellorin
