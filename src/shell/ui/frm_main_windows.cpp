// frmMain: the windows it owns besides the frame, wired to the core.

#include <QMdiArea>

#include "base/app_context.h"
#include "notify/ui/tray_unread_badge.h"
#include "shell/ui/form_dock.h"
#include "shell/ui/frm_main.h"
#include "shell/ui/gui_check_run_hooks.h"
#include "subscriptions/ui/data_folder_watcher.h"
#include "view/tree_handlers.h"
#include "view/ui/frm_options.h"
#include "view/ui/mdi_message_windows.h"
#include "view/ui/tree_view.h"

namespace vellorin {

void frmMain::LoadWindows() {
    // The view the preferences chose, as they stand when each message window opens.
    messageWindows_ = std::make_unique<MdiMessageWindows>(
        mdiArea_, context_.seam(), [this] { return context_.settings.webengine != 0; });

    TreeHandlerHooks hooks;
    // A double-click on a source: the scheduler queues it, disables the tree, runs the check and
    // waits for its end, as the menu's check of the selected source does.
    hooks.processQueue = [this] {
        if (frmOptions_ != nullptr)
            context_.scheduler.CheckSelectedSource(frmOptions_->tvMessages());
    };
    hooks.openSettings = [this] { mnuToolsSettings_Click(); };
    hooks.openPlugIns = [this] { mnuToolsPlugIn_Click(); };
    hooks.shellOpen = [this](const std::string& target) {
        urlOpener_(QUrl::fromUserInput(QString::fromStdString(target)));
    };
    // Loading the tree window fills the message tree from the subscription list and the inboxes.
    frmOptions_ = new frmOptions(context_, *messageWindows_, std::move(hooks), ucFormDock_);
    setTreeWindow(frmOptions_);
    setMessageTree(&frmOptions_->tvMessages());
    // What another process (vellorinctl) changes in the data folder shows in the tree.
    new DataFolderWatcher(context_, frmOptions_->tvMessages(), frmOptions_->tvMessagesView(),
                          frmOptions_);

    checkRunHooks_ = std::make_unique<GuiCheckRunHooks>(
        QString::fromStdString(context_.appFolder()),
        [this] {
            return GuiCheckRunHooks::MainWindowPlace{
                frameGeometry(), frmOptions_ != nullptr ? frmOptions_->width() : 0};
        },
        [this](bool busy) { setTrayBusy(busy); },
        [this](const QString& text, int displayMs) { ucTrayAlert(text, displayMs); });
    context_.check.setHooks(checkRunHooks_.get());
}

void frmMain::CreateTrayBadge() {
    if (frmOptions_ != nullptr && oSysTray_ != nullptr)
        trayBadge_ = std::make_unique<TrayUnreadBadge>(*oSysTray_, frmOptions_->tvMessages(),
                                                       windowIcon(), picBusy_, windowTitle());
}

}  // namespace vellorin
