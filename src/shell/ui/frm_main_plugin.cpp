// frmMain's side of the browser plug-in: the URL monitor, the judging of its addresses and the
// two popups.

#include <QTimer>

#include "base/app_context.h"
#include "browserlink/firefox_session.h"
#include "browserlink/ui/firefox_watch.h"
#include "browserlink/ui/qt_monitor_timer.h"
#include "browserlink/url_monitor.h"
#include "inbox/check_run.h"
#include "notify/ui/frm_no_source_notify.h"
#include "notify/ui/frm_notification.h"
#include "shell/ui/frm_main.h"
#include "subscriptions/ui/frm_subscr_list_manager.h"
#include "subscriptions/ui/frm_subscribe.h"

namespace vellorin {
namespace {

constexpr int kPlugInTimerMs = 1000;
// As the plug-in opens its popups: 95 % opaque (alpha 242), never taking the focus, staying
// until the user answers.
constexpr int kPopupTransparencyPercentage = 5;

void PreparePopup(NotificationPopup& popup) {
    popup.setAutoClose(false);
    popup.setTransparencyPercentage(kPopupTransparencyPercentage);
    popup.setMakeTransparent(true);
    popup.setCanGainFocus(false);
}

}  // namespace

void frmMain::CreatePlugInTimer() {
    tmrPlugIn_ = new QTimer(this);
    tmrPlugIn_->setObjectName(QStringLiteral("tmrPlugIn"));
    tmrPlugIn_->setInterval(kPlugInTimerMs);
    tmrPlugIn_->setSingleShot(true);
    connect(tmrPlugIn_, &QTimer::timeout, this, &frmMain::tmrPlugIn_Timer);
}

void frmMain::tmrPlugIn_Timer() {
    plugIn_.tmrPlugIn_Timer();
}

void frmMain::RegisterPlugIns(bool bRegister, bool bFirefox, bool bIExplore, bool bStartTimer) {
    plugInRegistration_ = PlugInRegistration{bRegister, bFirefox, bIExplore, bStartTimer};
    if (!bRegister) {
        if (oUrlMon_) {
            tmrPlugIn_->stop();
            oUrlMon_->StopMon();
            oUrlMon_->MonitorFireFox = false;
            oUrlMon_->MonitorIE = false;
            oUrlMon_.reset();
        }
        return;
    }
    if (!oUrlMon_) {
        // Firefox answers through its session file, read off this thread: a finished read is
        // asked for at once. The other browser service does not exist here and never answers.
        auto firefoxAnswered = [this] {
            if (oUrlMon_ && oUrlMon_->MonitorFireFox)
                oUrlMon_->GetDDEURL(kBrowserFirefox);
        };
        oUrlMon_ = std::make_unique<clsURLMon>(NewFirefoxSource(this, firefoxAnswered),
                                               std::make_unique<SilentAddressSource>(),
                                               std::make_unique<QtMonitorTimer>());
        oUrlMon_->StopMon();
        oUrlMon_->Active = true;
        oUrlMon_->URLChanged = [this](int BrowserApp, const std::string& sURL) {
            (void)BrowserApp;
            ProcessURL(QString::fromStdString(sURL));
        };
        oUrlMon_->StartMon();
    }
    // The browsers chosen now, also when the monitor was registered before (the plug-in dialog
    // saved): the choice applies at once.
    oUrlMon_->MonitorFireFox = bFirefox;
    oUrlMon_->MonitorIE = bIExplore;
    if (bStartTimer)
        tmrPlugIn_->start();
}

void frmMain::ProcessURL(const QString& sURL) {
    if (messageTree_ == nullptr)
        return;
    plugIn_.ProcessURL(sURL.toStdString(), *messageTree_, context_.check.IsBusy(), *this);
}

void frmMain::DeletePopups() {
    // The popups are windows of their own: the unload closes them, a destruction without it
    // takes them along.
    delete frmNotification_.data();
    delete frmNoSourceNotify_.data();
}

frmNotification* frmMain::notificationPopup() const {
    return frmNotification_.data();
}

frmNoSourceNotify* frmMain::noSourcePopup() const {
    return frmNoSourceNotify_.data();
}

bool frmMain::isPopupOpen(PlugInPopup popup) const {
    const NotificationPopup* open = popup == PlugInPopup::Notification
                                        ? static_cast<NotificationPopup*>(frmNotification_.data())
                                        : frmNoSourceNotify_.data();
    return open != nullptr && open->isVisible();
}

void frmMain::showPopup(PlugInPopup popup) {
    const QString appFolder = QString::fromStdString(context_.appFolder());
    if (popup == PlugInPopup::Notification) {
        if (frmNotification_ == nullptr) {
            // Windows of their own, as the drop box is: a window manager neither hides them while
            // the program is inactive nor minimises them with this window.
            frmNotification_ = new frmNotification(appFolder, nullptr);
            connect(frmNotification_, &frmNotification::snoozeModeChosen, this, [this](int mode) {
                plugIn_.SetPlugInSnoozeMode(static_cast<PlugInSnoozeMode>(mode));
            });
            // "Read Now!" shows the inbox: the tray's "show" would hide an inbox already shown
            // (behind the browser, say).
            connect(frmNotification_, &frmNotification::trayCommand, this,
                    [this](int lIndex, const QString& sKey) {
                        if (sKey == QLatin1String("show"))
                            ShowInbox();
                        else
                            oSysTray_MenuClick(lIndex, sKey);
                    });
        }
        PreparePopup(*frmNotification_);
        frmNotification_->Open();
        return;
    }
    if (frmNoSourceNotify_ == nullptr) {
        frmNoSourceNotify_ = new frmNoSourceNotify(appFolder, nullptr);
        // The subscribe dialog and the subscription manager, modeless and owned by this window:
        // the user is reading the site in the browser and may go back to it meanwhile.
        connect(frmNoSourceNotify_, &frmNoSourceNotify::addSourceRequested, this, [this] {
            if (messageTree_ != nullptr)
                frmSubscribe::Open(context_, *messageTree_, DialogOpenMode::ModelessOwned, this);
        });
        connect(frmNoSourceNotify_, &frmNoSourceNotify::managerRequested, this, [this] {
            if (messageTree_ != nullptr)
                frmSubscrListManager::Open(context_, *messageTree_, DialogOpenMode::ModelessOwned,
                                           this);
        });
    }
    PreparePopup(*frmNoSourceNotify_);
    frmNoSourceNotify_->Open();
}

}  // namespace vellorin
