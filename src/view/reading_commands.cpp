#include "view/reading_commands.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/app_context.h"
#include "inbox/inbox_store.h"
#include "view/message_node.h"
#include "view/tree_control.h"

namespace vellorin {

bool MarkSourceRead(AppContext& context, TreeNode& source) {
    if (source.parent() != nullptr)
        return false;
    mInbox& inbox = context.inbox;
    inbox.CurrentSourceID = source.key();
    const std::string title = source.text();
    const MarkAllReadResult result = inbox.MarkAllRead();
    if (result.error != 0) {
        context.seam().messageBox(
            "Error!",
            "The messages of \"" + title +
                "\" could not be marked as read: " + std::strerror(result.error) + ".",
            MsgIcon::Exclamation, MsgButtons::OK);
        return false;
    }
    for (int i = 0; i < source.childCount(); ++i)
        ShowNodeAsRead(*source.child(i));
    return true;
}

int MarkAllSourcesRead(AppContext& context, TreeControl& tree) {
    // The keys first: the failure box lets events run, which may rebuild nodes.
    std::vector<std::string> keys;
    for (int row = 0; row < tree.topLevelCount(); ++row)
        keys.push_back(tree.topLevelNode(row)->key());
    int failed = 0;
    for (const std::string& key : keys) {
        TreeNode* source = tree.findNode(key);
        if (source != nullptr && !MarkSourceRead(context, *source))
            ++failed;
    }
    return failed;
}

TreeNode* NextUnreadMessage(const TreeControl& tree, const TreeNode* from,
                            const std::function<bool(const TreeNode&)>& eligible) {
    const std::vector<TreeNode*>& nodes = tree.nodes();
    if (nodes.empty())
        return nullptr;
    size_t start = 0;
    if (from != nullptr) {
        const auto at = std::find(nodes.begin(), nodes.end(), from);
        if (at != nodes.end())
            start = static_cast<size_t>(at - nodes.begin()) + 1;
    }
    for (size_t step = 0; step < nodes.size(); ++step) {
        TreeNode* node = nodes[(start + step) % nodes.size()];
        if (node->parent() != nullptr && node->image() == kImageUnread &&
            (!eligible || eligible(*node))) {
            return node;
        }
    }
    return nullptr;
}

}  // namespace vellorin
