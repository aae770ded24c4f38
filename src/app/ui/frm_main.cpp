#include "app/ui/frm_main.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QSessionManager>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <string>

#include "app/app_context.h"
#include "app/application_build.h"
#include "app/command_line.h"
#include "app/constants.h"
#include "app/ui/app_icons.h"
#include "app/ui/gui_helpers.h"
#include "config/settings.h"
#include "notify/ui/frm_sys_tray.h"

namespace vellorin {
namespace {

const QString kShowInbox = QStringLiteral("Show Inbox");
const QString kHideInbox = QStringLiteral("Hide Inbox");

constexpr int kScheduleStartIntervalMs = 20000;
constexpr int kClockPanelIntervalMs = 1000;

const char* const kProductTagLine = "Vellorin - your messages, delivered";

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

}  // namespace

frmMain::frmMain(AppContext& context, QWidget* parent) : QMainWindow(parent), context_(context) {
    setObjectName(QStringLiteral("frmMain"));
    resize(800, 600);
    context_.setHooks(this);
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, &frmMain::app_commitDataRequest);
    Form_Load();
}

frmMain::~frmMain() {
    context_.setHooks(nullptr);
}

void frmMain::Form_Load() {
    const QString appFolder = QString::fromStdString(context_.appFolder());

    // 1. The caption; the tray tip copies it.
    setWindowTitle(
        QString::fromStdString(std::string(kMainCaptionPrefix) + ApplicationBuild(true, true)));
    setWindowIcon(LoadAppIcon(appFolder, QString::fromLatin1(kAppIconFileName)));
    picBusy_ = LoadAppIcon(appFolder, QString::fromLatin1(kBusyIconFileName));

    // 4. Into the tray, window hidden.
    AddToSystemTray(true);

    // 5. The plug-in dialog, unless started silently (as the login entry does).
    if (!IsSilentStart(context_.commandLine()))
        ShowStartupPlugInDialog();

    // 6.-8. Data folder, then the settings; the plug-in load registers the browser monitor
    // through our hooks.
    context_.subscriptions.EnsureDataFolder();
    context_.settings.LoadAppSettings(false);
    context_.settings.LoadPlugInSettings(false);

    // 9. The scheduler's first tick comes 20 s after start-up.
    tmrSchedule_ = new QTimer(this);
    tmrSchedule_->setObjectName(QStringLiteral("tmrSchedule"));
    tmrSchedule_->setInterval(kScheduleStartIntervalMs);
    connect(tmrSchedule_, &QTimer::timeout, this, &frmMain::tmrSchedule_Timer);
    tmrSchedule_->start();

    // 10.-11. The status bar.
    BuildStatusBar();
    std::string frequency = mSettings::FrequencyStatusText(context_.settings.freq);
    if (!frequency.empty())
        panels_[1]->setText(QString::fromStdString(frequency));
    panels_[2]->setText(QStringLiteral("Status: Idle"));
}

void frmMain::BuildStatusBar() {
    ucStatusBar_ = new QStatusBar(this);
    ucStatusBar_->setObjectName(QStringLiteral("ucStatusBar"));
    setStatusBar(ucStatusBar_);
    for (std::size_t i = 0; i < panels_.size(); ++i) {
        auto* panel = new QLabel(ucStatusBar_);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        panels_[i] = panel;
    }
    panels_[0]->setText(QString::fromLatin1(kProductTagLine));
    ucStatusBar_->addWidget(panels_[0], 1);
    ucStatusBar_->addWidget(panels_[1]);
    ucStatusBar_->addWidget(panels_[2]);
    ucStatusBar_->addPermanentWidget(panels_[3]);
    ucStatusBar_->addPermanentWidget(panels_[4]);

    // Panels 4 and 5 keep the date and time current by themselves.
    tmrClock_ = new QTimer(ucStatusBar_);
    tmrClock_->setObjectName(QStringLiteral("tmrClock"));
    tmrClock_->setInterval(kClockPanelIntervalMs);
    connect(tmrClock_, &QTimer::timeout, this, &frmMain::updateClockPanels);
    tmrClock_->start();
    updateClockPanels();
}

void frmMain::updateClockPanels() {
    auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(context_.clock().now().time_since_epoch());
    QDateTime now = QDateTime::fromSecsSinceEpoch(seconds.count());
    QLocale locale;
    panels_[3]->setText(locale.toString(now.date(), QLocale::ShortFormat));
    panels_[4]->setText(locale.toString(now.time(), QLocale::ShortFormat));
}

QLabel* frmMain::StatusPanel(int number) const {
    if (number < 1 || number > static_cast<int>(panels_.size()))
        return nullptr;
    return panels_[static_cast<std::size_t>(number - 1)];
}

void frmMain::ShowStartupPlugInDialog() {
    // The plug-in dialog (frmRegPlugin, modeless and always on top) opens here once it exists.
}

void frmMain::AddToSystemTray(bool bHideMain) {
    if (oSysTray_ != nullptr) {
        oSysTray_->SetMenuItemCaption(0, kShowInbox);
        hide();
        return;
    }

    oSysTray_ = new frmSysTray(windowIcon(), this);
    connect(oSysTray_, &frmSysTray::MenuClick, this, &frmMain::oSysTray_MenuClick);
    connect(oSysTray_, &frmSysTray::SysTrayMouseDown, this, &frmMain::oSysTray_SysTrayMouseDown);
    // The welcome balloon promises that a double-click opens the window.
    connect(oSysTray_, &frmSysTray::SysTrayDoubleClick, this, [this] { ToggleInbox(); });

    oSysTray_->AddMenuItem(bHideMain ? kShowInbox : kHideInbox, QStringLiteral("show"), true);
    for (const TrayMenuEntry& entry : kTrayMenu) {
        oSysTray_->AddMenuItem(QString::fromLatin1(entry.caption), QString::fromLatin1(entry.key));
    }
    oSysTray_->SetIcon(windowIcon());
    oSysTray_->SetToolTip(windowTitle());
    oSysTray_->ShowBalloonTip(
        QStringLiteral("Double-click to launch Application interface or Right-click for more "
                       "options."),
        QStringLiteral("Vellorin is available here!"), QSystemTrayIcon::Information, 6000);
    if (bHideMain)
        hide();
}

void frmMain::oSysTray_MenuClick(int lIndex, const QString& sKey) {
    (void)lIndex;
    if (sKey == QLatin1String("show")) {
        ToggleInbox();
    } else if (sKey == QLatin1String("helpfile") || sKey == QLatin1String("website")) {
        QDesktopServices::openUrl(QUrl(QString::fromLatin1(kServiceHelpPage)));
    } else if (sKey == QLatin1String("email")) {
        QDesktopServices::openUrl(
            QUrl(QStringLiteral("mailto:") + QString::fromLatin1(kServiceContact)));
    } else if (sKey == QLatin1String("exit")) {
        closingFromCode_ = true;
        close();
        closingFromCode_ = false;
    }
    // "newsource", "checkmsg", "dropbox", "plugin" and "settings" open windows that come later;
    // the separators' empty key does nothing.
}

void frmMain::ToggleInbox() {
    if (oSysTray_ == nullptr)
        return;
    if (oSysTray_->MenuItemCaption(0) == kShowInbox) {
        oSysTray_->SetMenuItemCaption(0, kHideInbox);
        setWindowState(windowState() & ~Qt::WindowMinimized);
        show();
        raise();
        activateWindow();
    } else {
        oSysTray_->SetMenuItemCaption(0, kShowInbox);
        hide();
    }
}

void frmMain::oSysTray_SysTrayMouseDown(int eButton) {
    (void)eButton;
    if (oSysTray_ != nullptr)
        oSysTray_->ShowMenu();
}

void frmMain::tmrSchedule_Timer() {
    // The scheduler's tick: the automatic check runs start here once checking exists.
}

void frmMain::RegisterPlugIns(bool bRegister, bool bFirefox, bool bIExplore, bool bStartTimer) {
    plugInRegistration_ = PlugInRegistration{bRegister, bFirefox, bIExplore, bStartTimer};
}

void frmMain::EnableScheduleTimer() {
    if (tmrSchedule_ != nullptr && !tmrSchedule_->isActive())
        tmrSchedule_->start();
}

void frmMain::app_commitDataRequest(QSessionManager& manager) {
    (void)manager;
    sessionEnding_ = true;
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (unloading_) {
        event->accept();
        return;
    }
    UnloadMode mode = sessionEnding_                              ? UnloadMode::AppWindows
                      : closingFromCode_ || !event->spontaneous() ? UnloadMode::FormCode
                                                                  : UnloadMode::FormControlMenu;
    if (Form_QueryUnload(mode)) {
        event->ignore();
        return;
    }
    unloading_ = true;
    event->accept();
    Form_Unload();
}

bool frmMain::Form_QueryUnload(UnloadMode unloadMode) {
    if (unloadMode != UnloadMode::FormControlMenu && unloadMode != UnloadMode::FormCode) {
        return false;
    }
    MsgAnswer answer = context_.seam().messageBox(kCloseCaption, kCloseText, MsgIcon::Question,
                                                  MsgButtons::YesNo, MsgDefault::First);
    if (answer == MsgAnswer::Yes)
        return false;
    AddToSystemTray(true);
    return true;
}

void frmMain::Form_Unload() {
    if (oSysTray_ != nullptr) {
        oSysTray_->Unload();
        // The wrapper may be the sender of the signal that brought us here ("Exit").
        oSysTray_->deleteLater();
        oSysTray_ = nullptr;
    }
    RegisterPlugIns(false, false, false, false);
    UnloadAllForms(this);
    emit unloaded();
}

void frmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized()) {
        // Hiding from inside the state change confuses some window managers: do it right after.
        QTimer::singleShot(0, this, [this] {
            if (isMinimized() && isVisible())
                AddToSystemTray(true);
        });
    }
}

}  // namespace vellorin
