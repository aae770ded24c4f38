#include "view/tree_place.h"

#include "view/message_node.h"
#include "view/tree_control.h"

namespace vellorin {
namespace {

struct Selection {
    bool any = false;
    std::string source;
    std::string guid;
};

Selection SelectionOf(const TreeControl& tree) {
    Selection out;
    const TreeNode* node = tree.selectedNode();
    if (node == nullptr)
        return out;
    // Only nodes of the message tree's two levels are named.
    const TreeNode* parent = node->parent();
    if (parent != nullptr && parent->parent() != nullptr)
        return out;
    out.any = true;
    out.source = parent != nullptr ? parent->key() : node->key();
    out.guid = parent != nullptr ? node->tag() : std::string();
    return out;
}

}  // namespace

TreePlace TreePlace::Capture(const TreeControl& tree) {
    TreePlace place;
    place.wholeTree_ = true;
    for (int row = 0; row < tree.topLevelCount(); ++row) {
        const TreeNode* node = tree.topLevelNode(row);
        place.sources_.emplace_back(node->key(), node->expanded());
    }
    const Selection selection = SelectionOf(tree);
    place.selected_ = selection.any;
    place.selectedSource_ = selection.source;
    place.selectedGuid_ = selection.guid;
    return place;
}

TreePlace TreePlace::CaptureSource(const TreeControl& tree, std::string_view sourceId) {
    TreePlace place;
    const TreeNode* node = tree.findNode(sourceId);
    if (node == nullptr || node->parent() != nullptr)
        return place;
    place.sources_.emplace_back(node->key(), node->expanded());
    const Selection selection = SelectionOf(tree);
    if (selection.any && selection.source == sourceId) {
        place.selected_ = true;
        place.selectedSource_ = selection.source;
        place.selectedGuid_ = selection.guid;
    }
    return place;
}

void TreePlace::Restore(TreeControl& tree) const {
    for (const auto& [key, expanded] : sources_) {
        TreeNode* node = tree.findNode(key);
        if (node != nullptr && node->parent() == nullptr)
            node->setExpanded(expanded);
    }
    if (!wholeTree_ && (!selected_ || tree.selectedNode() != nullptr))
        return;
    TreeNode* node = nullptr;
    if (selected_) {
        if (!selectedGuid_.empty())
            node = FindMessageNode(tree, selectedSource_, selectedGuid_);
        // A message that has gone leaves its source selected, where the user was reading.
        if (node == nullptr)
            node = tree.findNode(selectedSource_);
    }
    (void)tree.setSelectedNode(node);
}

}  // namespace vellorin
