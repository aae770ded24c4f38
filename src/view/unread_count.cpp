#include "view/unread_count.h"

namespace vellorin {

std::string UnreadBadgeText(int messages) {
    if (messages <= 0)
        return {};
    return messages > 99 ? "99+" : std::to_string(messages);
}

std::string UnreadTipText(const UnreadCount& count) {
    if (count.messages <= 0)
        return "No unread messages";
    return std::to_string(count.messages) +
           (count.messages == 1 ? " unread message in " : " unread messages in ") +
           std::to_string(count.sources) + (count.sources == 1 ? " source" : " sources");
}

UnreadCounter::UnreadCounter(TreeControl& tree) : tree_(tree) {
    tree_.addObserver(this);
    recountAll();
}

UnreadCounter::~UnreadCounter() {
    tree_.removeObserver(this);
}

void UnreadCounter::recountSource(const TreeNode& source) {
    int unread = 0;
    for (int row = 0; row < source.childCount(); ++row)
        unread += source.child(row)->image() == kImageUnread ? 1 : 0;
    if (unread == 0)
        perSource_.erase(&source);
    else
        perSource_[&source] = unread;
}

void UnreadCounter::recountAll() {
    perSource_.clear();
    for (int row = 0; row < tree_.topLevelCount(); ++row)
        recountSource(*tree_.topLevelNode(row));
    publish();
}

void UnreadCounter::publish() {
    UnreadCount now;
    for (const auto& [source, unread] : perSource_) {
        now.messages += unread;
        ++now.sources;
    }
    if (now == count_)
        return;
    count_ = now;
    if (changed_)
        changed_();
}

void UnreadCounter::nodesInserted(TreeNode* parent, int first, int last) {
    if (parent == nullptr) {
        for (int row = first; row <= last; ++row)
            recountSource(*tree_.topLevelNode(row));
    } else if (parent->parent() == nullptr) {
        recountSource(*parent);
    }
    publish();
}

void UnreadCounter::nodesAboutToBeRemoved(TreeNode* parent, int first, int last) {
    // A source's node goes with its messages; the address may be reused by a later node.
    if (parent == nullptr) {
        for (int row = first; row <= last; ++row)
            perSource_.erase(tree_.topLevelNode(row));
    }
}

void UnreadCounter::nodesRemoved(TreeNode* parent, int first, int last) {
    (void)first, (void)last;
    if (parent != nullptr && parent->parent() == nullptr)
        recountSource(*parent);
    publish();
}

void UnreadCounter::nodeChanged(TreeNode* node, NodeField field) {
    if (field != NodeField::Image || node->parent() == nullptr ||
        node->parent()->parent() != nullptr)
        return;
    recountSource(*node->parent());
    publish();
}

void UnreadCounter::treeReset() {
    recountAll();
}

}  // namespace vellorin
