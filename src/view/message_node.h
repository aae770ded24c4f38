#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vellorin {

class TreeControl;
class TreeNode;

// A message node of the message tree as the handlers read it: the parent's key names the source,
// the tag is the message's guid.
struct MessageNodeRef {
    std::string sourceId;
    std::string guid;
    std::string text;
    bool unread = false;  // image 2
};

// The selected node when it is a message node (it has a parent); nullopt when nothing is selected
// or a source node is.
std::optional<MessageNodeRef> SelectedMessage(const TreeControl& tree);

// The message node with tag `guid` under the top-level node with key `sourceId`, or null. The
// handlers look their node up again with it after anything that lets events run (a message box,
// ShowMessage), since a check run may have rebuilt the source's nodes meanwhile.
TreeNode* FindMessageNode(const TreeControl& tree, std::string_view sourceId,
                          std::string_view guid);

// The read and unread looks of a message node: image 3 and normal text, image 2 and bold.
void ShowNodeAsRead(TreeNode& node);
void ShowNodeAsUnread(TreeNode& node);

}  // namespace vellorin
