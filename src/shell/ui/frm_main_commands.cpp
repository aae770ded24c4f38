// frmMain's commands: the menu items, the tray menu's keys and the help targets.

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMetaObject>

#include "base/app_context.h"
#include "base/constants.h"
#include "base/ui/gui_helpers.h"
#include "config/settings.h"
#include "config/ui/frm_reg_plugin.h"
#include "config/ui/frm_settings.h"
#include "inbox/check_run.h"
#include "shell/ui/frm_main.h"
#include "shell/ui/main_status_bar.h"
#include "subscriptions/ui/frm_drop_box.h"
#include "subscriptions/ui/frm_subscr_list_manager.h"
#include "subscriptions/ui/frm_subscribe.h"

namespace vellorin {
namespace {

bool HasSlot(const QObject* object, const char* signature) {
    return object != nullptr && object->metaObject()->indexOfMethod(signature) >= 0;
}

}  // namespace

void frmMain::ConnectMenus() {
    const MainMenus& m = menus_;
    connect(m.mnuFile, &QMenu::aboutToShow, this, &frmMain::updateFileItems);
    connect(m.mnuFileSystray, &QAction::triggered, this, [this] { AddToSystemTray(true); });
    connect(m.mnuFileSaveAs, &QAction::triggered, this, &frmMain::mnuFileSaveAs_Click);
    connect(m.mnuFilePrint, &QAction::triggered, this, &frmMain::mnuFilePrint_Click);
    connect(m.mnuFileCloseCurrent, &QAction::triggered, this, [this] {
        if (QMdiSubWindow* active = mdiArea_->currentSubWindow())
            active->close();
    });
    connect(m.mnuFileCloseAll, &QAction::triggered, mdiArea_, &QMdiArea::closeAllSubWindows);
    connect(m.mnuFileExit, &QAction::triggered, this, &frmMain::CloseFromCode);
    connect(m.mnuMsgSourceCheckCurrent, &QAction::triggered, this,
            &frmMain::mnuMsgSourceCheckCurrent_Click);
    connect(m.mnuMsgSourceCheckAll, &QAction::triggered, this,
            &frmMain::mnuMsgSourceCheckAll_Click);
    connect(m.mnuMsgSourceNew, &QAction::triggered, this, &frmMain::mnuMsgSourceNew_Click);
    connect(m.mnuMsgSourceManage, &QAction::triggered, this, &frmMain::mnuMsgSourceManage_Click);
    connect(m.mnuToolsDropBox, &QAction::triggered, this, &frmMain::mnuToolsDropBox_Click);
    connect(m.mnuToolsPlugIn, &QAction::triggered, this, [this] { mnuToolsPlugIn_Click(); });
    connect(m.mnuToolsSettings, &QAction::triggered, this, &frmMain::mnuToolsSettings_Click);
    connect(m.mnuHelpFile, &QAction::triggered, this, &frmMain::mnuHelpFile_Click);
    connect(m.mnuHelpWebsite, &QAction::triggered, this, &frmMain::mnuHelpFile_Click);
    connect(m.mnuHelpEmail, &QAction::triggered, this, &frmMain::mnuHelpEmail_Click);
    ConnectReadingCommands();
}

void frmMain::oSysTray_MenuClick(int lIndex, const QString& sKey) {
    (void)lIndex;
    if (sKey == QLatin1String("show"))
        ToggleInbox();
    else if (sKey == QLatin1String("newsource"))
        mnuMsgSourceNew_Click();
    else if (sKey == QLatin1String("checkmsg"))
        mnuMsgSourceCheckAll_Click();
    else if (sKey == QLatin1String("dropbox"))
        mnuToolsDropBox_Click();
    else if (sKey == QLatin1String("plugin"))
        mnuToolsPlugIn_Click();
    else if (sKey == QLatin1String("settings"))
        mnuToolsSettings_Click();
    else if (sKey == QLatin1String("helpfile") || sKey == QLatin1String("website"))
        mnuHelpFile_Click();
    else if (sKey == QLatin1String("email"))
        mnuHelpEmail_Click();
    else if (sKey == QLatin1String("exit"))
        CloseFromCode();
    // The separators' empty key does nothing.
}

void frmMain::QueryEndSession() {
    sessionEnding_ = true;
}

void frmMain::UnloadWithoutQuestion() {
    context_.check.StopRun();
    endingWithoutQuestion_ = true;
    close();
}

void frmMain::tmrSchedule_Timer() {
    if (messageTree_ != nullptr)
        context_.scheduler.tmrSchedule_Timer(*messageTree_);
}

void frmMain::mnuMsgSourceCheckCurrent_Click() {
    if (messageTree_ != nullptr)
        context_.scheduler.mnuMsgSourceCheckCurrent_Click(*messageTree_);
}

void frmMain::mnuMsgSourceCheckAll_Click() {
    if (messageTree_ != nullptr)
        context_.scheduler.mnuMsgSourceCheckAll_Click(*messageTree_);
}

void frmMain::mnuMsgSourceNew_Click() {
    if (messageTree_ != nullptr)
        frmSubscribe::Open(context_, *messageTree_, DialogOpenMode::ModalOwned, this);
}

void frmMain::mnuMsgSourceManage_Click() {
    if (messageTree_ != nullptr)
        frmSubscrListManager::Open(context_, *messageTree_, DialogOpenMode::ModalUnowned, this);
}

void frmMain::SubscribeDroppedLink(const QString& sLink) {
    if (messageTree_ != nullptr)
        frmSubscribe::OpenWithLink(context_, *messageTree_, sLink);
}

void frmMain::mnuToolsPlugIn_Click(bool topMost) {
    if (plugInDialog_ == nullptr) {
        plugInDialog_ = new frmRegPlugin(context_, this);
        plugInDialog_->setAttribute(Qt::WA_DeleteOnClose);
    }
    if (topMost) {
        SetTopMost(plugInDialog_, true);
        return;
    }
    plugInDialog_->show();
    plugInDialog_->raise();
    plugInDialog_->activateWindow();
}

void frmMain::mnuToolsDropBox_Click() {
    if (dropBox_ != nullptr) {
        dropBox_->close();
        menus_.mnuToolsDropBox->setChecked(false);
        return;
    }
    dropBox_ = new frmDropBox(context_, [this](const std::string& link) {
        if (droppedLinkHandler_)
            droppedLinkHandler_(QString::fromStdString(link));
        else
            SubscribeDroppedLink(QString::fromStdString(link));
    });
    // However it closes ("Close", the program's exit), the item follows.
    connect(dropBox_, &frmDropBox::unloaded, this, [this] {
        dropBox_ = nullptr;
        menus_.mnuToolsDropBox->setChecked(false);
    });
    menus_.mnuToolsDropBox->setChecked(true);
}

void frmMain::mnuToolsSettings_Click() {
    frmSettings dialog(context_, this);
    dialog.exec();
    // Panel 2 follows a frequency saved there.
    ShowFrequency();
}

void frmMain::ShowFrequency() {
    const std::string frequency = mSettings::FrequencyStatusText(context_.settings.freq);
    if (!frequency.empty())
        ucStatusBar_->SetPanelText(2, QString::fromStdString(frequency));
}

void frmMain::mnuHelpFile_Click() {
    openTarget(QString::fromLatin1(kServiceHelpPage));
}

void frmMain::mnuHelpEmail_Click() {
    openTarget(QStringLiteral("mailto:") + QString::fromLatin1(kServiceContact));
}

void frmMain::openTarget(const QString& target) {
    // What the desktop answers is not looked at: without a browser or mail program nothing
    // happens.
    if (urlOpener_)
        urlOpener_(QUrl(target));
}

QWidget* frmMain::activeMessageWidget() const {
    QMdiSubWindow* active = mdiArea_->currentSubWindow();
    return active != nullptr ? active->widget() : nullptr;
}

void frmMain::updateFileItems() {
    QWidget* message = activeMessageWidget();
    menus_.mnuFileSaveAs->setEnabled(HasSlot(message, "savePageAs()"));
    menus_.mnuFilePrint->setEnabled(HasSlot(message, "printPage()"));
    menus_.mnuFileCloseCurrent->setEnabled(mdiArea_->currentSubWindow() != nullptr);
    menus_.mnuFileCloseAll->setEnabled(!mdiArea_->subWindowList().isEmpty());
    // A sub-window's own menu claims the desktop's Close keys (Ctrl+W, Ctrl+F4), which Close
    // Draft and Settings own here; a key with two owners would trigger neither.
    for (QMdiSubWindow* subWindow : mdiArea_->subWindowList()) {
        if (QMenu* menu = subWindow->systemMenu()) {
            for (QAction* item : menu->actions())
                item->setShortcuts({});
        }
    }
}

void frmMain::mnuFileSaveAs_Click() {
    QWidget* message = activeMessageWidget();
    if (HasSlot(message, "savePageAs()"))
        QMetaObject::invokeMethod(message, "savePageAs");
}

void frmMain::mnuFilePrint_Click() {
    QWidget* message = activeMessageWidget();
    if (HasSlot(message, "printPage()"))
        QMetaObject::invokeMethod(message, "printPage");
}

}  // namespace vellorin
