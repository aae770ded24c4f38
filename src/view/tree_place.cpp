#include "view/tree_place.h"

#include "view/tree_control.h"

namespace vellorin {

TreePlace TakeTreePlace(const TreeControl& tree) {
    TreePlace place;
    for (int row = 0; row < tree.topLevelCount(); ++row) {
        const TreeNode* node = tree.topLevelNode(row);
        if (node->expanded() && !node->key().empty())
            place.expanded.push_back(node->key());
    }
    if (const TreeNode* node = tree.selectedNode()) {
        const TreeNode* source = node->parent() ? node->parent() : node;
        place.selected = true;
        place.selectedSource = source->key();
        if (node != source)
            place.selectedGuid = node->tag();
    }
    return place;
}

void RestoreTreePlace(TreeControl& tree, const TreePlace& place) {
    for (const std::string& key : place.expanded) {
        if (TreeNode* node = tree.findNode(key))
            node->setExpanded(true);
    }
    if (!place.selected)
        return;
    TreeNode* source = tree.findNode(place.selectedSource);
    TreeNode* selected = source;
    for (int row = 0; source && !place.selectedGuid.empty() && row < source->childCount(); ++row) {
        if (source->child(row)->tag() == place.selectedGuid) {
            selected = source->child(row);
            break;
        }
    }
    if (tree.selectedNode() != selected)
        tree.setSelectedNode(selected);
}

}  // namespace vellorin
