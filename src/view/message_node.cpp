#include "view/message_node.h"

#include "view/tree_control.h"

namespace vellorin {
namespace {

// A node added without a selected image shows its image when selected; one that has its own
// follows the image.
void SetPicture(TreeNode& node, int image) {
    node.setImage(image);
    if (node.selectedImage() != kImageNone)
        node.setSelectedImage(image);
}

}  // namespace

std::optional<MessageNodeRef> SelectedMessage(const TreeControl& tree) {
    const TreeNode* node = tree.selectedNode();
    if (!node || !node->parent())
        return std::nullopt;
    return MessageNodeRef{node->parent()->key(), node->tag(), node->text(),
                          node->image() == kImageUnread};
}

TreeNode* FindMessageNode(const TreeControl& tree, std::string_view sourceId,
                          std::string_view guid) {
    const TreeNode* source = tree.findNode(sourceId);
    if (!source || source->parent())
        return nullptr;
    for (int row = 0; row < source->childCount(); ++row) {
        TreeNode* child = source->child(row);
        if (child->tag() == guid)
            return child;
    }
    return nullptr;
}

void ShowNodeAsRead(TreeNode& node) {
    SetPicture(node, kImageRead);
    node.setBold(false);
}

void ShowNodeAsUnread(TreeNode& node) {
    SetPicture(node, kImageUnread);
    node.setBold(true);
}

}  // namespace vellorin
