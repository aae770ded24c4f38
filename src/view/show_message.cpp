#include "view/show_message.h"

#include "base/app_context.h"
#include "base/helpers.h"
#include "inbox/inbox_store.h"
#include "subscriptions/subscriptions.h"
#include "view/message_header.h"
#include "view/message_node.h"
#include "view/message_page.h"
#include "view/tree_control.h"

namespace vellorin {

ShowMessageResult ShowMessage(AppContext& context, OpenMessageWindows& windows,
                              const std::string& sourceId, const std::string& guid) {
    mInbox& inbox = context.inbox;
    inbox.CurrentSourceID = sourceId;
    inbox.CurrentItem.Guid = guid;
    if (windows.FindOpenMessage(sourceId, guid))
        return {ShowOutcome::AlreadyOpen, {}};
    if (!inbox.InboxItemAction(mInbox::LoadItem))
        return {ShowOutcome::NotStored, {}};
    const MessageHeader header = ParseHeader(inbox.CurrentItem.Description);

    mSubscriptions& subscriptions = context.subscriptions;
    if (IsBlank(subscriptions.DataFolder))
        subscriptions.EnsureDataFolder();
    std::optional<std::string> page =
        RenderMessagePage(context.seam(), context.appFolder(), subscriptions.DataFolder, header);
    if (!page)
        return {ShowOutcome::NoPage, {}};
    windows.OpenMessageWindow(sourceId, guid, ShortTitle(inbox.CurrentItem.Title), *page);
    return {ShowOutcome::Opened, std::move(*page)};
}

std::optional<ShowMessageResult> ShowSelectedMessage(AppContext& context, TreeControl& tree,
                                                     OpenMessageWindows& windows) {
    const std::optional<MessageNodeRef> message = SelectedMessage(tree);
    if (!message)
        return std::nullopt;
    ShowMessageResult result = ShowMessage(context, windows, message->sourceId, message->guid);

    // A message that could not be shown (template missing, message gone) stays unread.
    if (result.outcome != ShowOutcome::Opened && result.outcome != ShowOutcome::AlreadyOpen)
        return result;
    TreeNode* node = FindMessageNode(tree, message->sourceId, message->guid);
    if (node && node->image() == kImageUnread) {
        ShowNodeAsRead(*node);
        // The boxes of ShowMessage let other work run, which may have made another message
        // current: name this one again.
        mInbox& inbox = context.inbox;
        inbox.CurrentSourceID = message->sourceId;
        inbox.CurrentItem.Guid = message->guid;
        (void)inbox.InboxItemAction(mInbox::MarkRead);
    }
    return result;
}

}  // namespace vellorin
