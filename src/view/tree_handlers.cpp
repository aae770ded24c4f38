#include "view/tree_handlers.h"

#include <utility>

#include "base/app_context.h"
#include "base/constants.h"
#include "base/helpers.h"
#include "subscriptions/subscriptions.h"
#include "view/message_actions.h"
#include "view/message_windows.h"
#include "view/show_message.h"
#include "view/tree_control.h"

namespace vellorin {

TreeHandlers::TreeHandlers(AppContext& context, TreeControl& tvMessages, MessageWindows& windows,
                           TreeHandlerHooks hooks)
    : context_(context), tvMessages_(tvMessages), windows_(windows), hooks_(std::move(hooks)) {}

void TreeHandlers::tvMessages_DblClick() {
    if (tvMessages_.count() == 0)
        return;
    const TreeNode* node = tvMessages_.selectedNode();
    if (!node)
        return;
    if (node->parent()) {
        (void)ShowSelectedMessage(context_, tvMessages_, windows_);
        return;
    }
    // The busy flag is not tested first: a double-click during a run starts a nested run that
    // appends to the same queue.
    if (hooks_.queueSelectedSource)
        hooks_.queueSelectedSource();
    tvMessages_.setEnabled(false);
    if (hooks_.processQueue)
        hooks_.processQueue();
    tvMessages_.setEnabled(true);
}

void TreeHandlers::tvMessages_KeyUp(int keyCode, int /*shift*/) {
    const TreeNode* node = tvMessages_.selectedNode();
    if (tvMessages_.count() == 0 || !node || node->parent() || keyCode != kKeyF2)
        return;
    (void)tvMessages_.startLabelEdit();
}

bool TreeHandlers::tvMessages_KeyDown(int keyCode, int shift) {
    const TreeNode* node = tvMessages_.selectedNode();
    if (!node)
        return false;
    const bool menuKey =
        (keyCode == kKeyApps && shift == 0) || (keyCode == kKeyF10 && shift == kShiftMask);
    if (!node->parent()) {
        if (!menuKey)
            return false;
        if (hooks_.showSourceNodeMenuAtSelection)
            hooks_.showSourceNodeMenuAtSelection();
        return true;
    }
    if (keyCode == kKeyReturn && shift == 0) {
        (void)ShowSelectedMessage(context_, tvMessages_, windows_);
    } else if (keyCode == kKeyDelete && shift == 0) {
        (void)MessageActions(context_, tvMessages_, windows_).mnuPopupSourceDel_Click();
    } else if (menuKey) {
        if (hooks_.showSourceMenuAtSelection)
            hooks_.showSourceMenuAtSelection();
    } else {
        return false;
    }
    return true;
}

void TreeHandlers::tvMessages_AfterLabelEdit(LabelEdit& edit) {
    if (!edit.node || IsBlank(edit.newText) || edit.node->parent()) {
        edit.cancel = true;
        return;
    }
    // The question lets events run, and a check run or a reload may replace the node meanwhile:
    // keep what is needed of it, and after the box reach the node only through its key.
    const std::string key = edit.node->key();
    const std::string oldTitle = edit.node->text();
    const std::string link = edit.node->tag();
    UserSeam& seam = context_.seam();
    const MsgAnswer answer = seam.messageBox(
        "Change Title?",
        "Do you want to change the title \"" + oldTitle + "\" to \"" + edit.newText + "\"?",
        MsgIcon::Question, MsgButtons::YesNo, MsgDefault::Second);
    if (answer != MsgAnswer::Yes) {
        edit.cancel = true;
        return;
    }
    SourceRecord& source = context_.subscriptions.CurrentSource;
    source.Link = link;
    source.NewLink = link;
    source.NewTitle = edit.newText;
    if (context_.subscriptions.SourceAction(mSubscriptions::UpdateSource)) {
        // edit.node may be gone; the node now holding the key (the same one or its replacement)
        // must show what the file holds.
        if (TreeNode* node = tvMessages_.findNode(key))
            node->setText(edit.newText);
        edit.cancel = false;
        return;
    }
    seam.messageBox("Failed to change Title!",
                    "Failed to change Source Title. Please close application & restart it and try "
                    "again. If still you face the same error then please contact us, our customer "
                    "care executive will get in touch with you with further details to resolve "
                    "this issue.",
                    MsgIcon::Exclamation);
    edit.cancel = true;
}

bool TreeHandlers::finishRename(TreeNode& node, std::string newText) {
    // The edited node may have been replaced while the question was open, so the result is the
    // handler's verdict, not whether that node object took the text.
    bool renamed = false;
    (void)tvMessages_.finishLabelEdit(node, std::move(newText), [&](LabelEdit& edit) {
        tvMessages_AfterLabelEdit(edit);
        renamed = !edit.cancel;
    });
    return renamed;
}

void TreeHandlers::tvMessages_MouseUp(const TreeMouseRelease& release) {
    TreeNode* under = release.nodeUnderPointer;
    if (release.button == kRightButton && under && !under->parent() && hooks_.showSourceNodeMenu) {
        (void)tvMessages_.setSelectedNode(under);
        hooks_.showSourceNodeMenu(release.x, release.y);
        return;
    }
    const TreeNode* node = tvMessages_.selectedNode();
    if (tvMessages_.count() == 0 || !node || !node->parent() || release.button != kRightButton)
        return;
    if (release.nodeUnderPointer)
        (void)tvMessages_.setSelectedNode(release.nodeUnderPointer);
    // The menu acts on the selection: a source node right-clicked gets none.
    if (release.nodeUnderPointer && !release.nodeUnderPointer->parent())
        return;
    if (hooks_.showSourceMenu)
        hooks_.showSourceMenu(release.x, release.y);
}

void TreeHandlers::ucOptionbar_ItemClick(std::string_view key) {
    if (key == "opt_settings") {
        if (hooks_.openSettings)
            hooks_.openSettings();
    } else if (key == "opt_plugin") {
        if (hooks_.openPlugIns)
            hooks_.openPlugIns();
    } else if (key == "help_file") {
        std::string path;
        if (!context_.appFolder().empty())
            path = AddBackslash(context_.appFolder()) + kHelpFileName;
        if (!path.empty() && FileExists(context_.seam(), path)) {
            shellOpen(path);
        } else {
            context_.seam().messageBox(
                "Help File not found!",
                "Application failed to find Help File. Either Help file is not installed or "
                "missing.",
                MsgIcon::Exclamation);
        }
    } else if (key == "help_email") {
        shellOpen(std::string("mailto:") + kServiceContact);
    } else if (key == "help_website") {
        shellOpen(kServiceHelpPage);
    }
}

void TreeHandlers::shellOpen(const std::string& target) {
    if (hooks_.shellOpen)
        hooks_.shellOpen(target);
    else
        ShellOpen(target);
}

}  // namespace vellorin
