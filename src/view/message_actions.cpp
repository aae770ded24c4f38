#include "view/message_actions.h"

#include <string>

#include "base/app_context.h"
#include "inbox/inbox_store.h"
#include "view/message_node.h"
#include "view/message_windows.h"
#include "view/tree_control.h"

namespace vellorin {

std::optional<ShowMessageResult> MessageActions::mnuPopupSourceShow_Click() {
    return ShowSelectedMessage(context_, tvMessages_, windows_);
}

bool MessageActions::mnuPopupSourceDel_Click() {
    const std::optional<MessageNodeRef> message = SelectedMessage(tvMessages_);
    if (!message)
        return false;
    const MsgAnswer answer = context_.seam().messageBox(
        "Delete selected Item?",
        "Are you sure you want to delete \"" + message->text +
            "\"? Please note that once item is deleted, you won't be able to recover it. "
            "Continue?",
        MsgIcon::Question, MsgButtons::YesNo, MsgDefault::Second);
    if (answer != MsgAnswer::Yes)
        return false;

    mInbox& inbox = context_.inbox;
    inbox.CurrentSourceID = message->sourceId;
    inbox.CurrentItem.Guid = message->guid;
    if (!inbox.InboxItemAction(mInbox::DeleteItem))
        return false;
    // The question let events run: find the node again rather than trust the old pointer.
    tvMessages_.remove(FindMessageNode(tvMessages_, message->sourceId, message->guid));
    (void)windows_.CloseMessageWindow(message->sourceId, message->guid);
    return true;
}

bool MessageActions::mnuPopupSourceRead_Click() {
    return mark(true);
}

bool MessageActions::mnuPopupSourceUnread_Click() {
    return mark(false);
}

bool MessageActions::mark(bool read) {
    const std::optional<MessageNodeRef> message = SelectedMessage(tvMessages_);
    if (!message)
        return false;
    mInbox& inbox = context_.inbox;
    inbox.CurrentSourceID = message->sourceId;
    inbox.CurrentItem.Guid = message->guid;
    if (!inbox.InboxItemAction(read ? mInbox::MarkRead : mInbox::MarkUnread))
        return false;
    if (TreeNode* node = tvMessages_.selectedNode())
        read ? ShowNodeAsRead(*node) : ShowNodeAsUnread(*node);
    return true;
}

}  // namespace vellorin
