#pragma once

#include <functional>
#include <string>
#include <unordered_map>

#include "view/tree_control.h"

namespace vellorin {

// How many messages the message tree shows unread (picture 2), and under how many sources.
struct UnreadCount {
    int messages = 0;
    int sources = 0;
    bool operator==(const UnreadCount&) const = default;
};

// The tray's badge text for `messages`: the number, "99+" above 99, empty at 0.
std::string UnreadBadgeText(int messages);

// The tray's tip line for `count`: "1 unread message in 1 source", "5 unread messages in 2
// sources"; "No unread messages" at 0.
std::string UnreadTipText(const UnreadCount& count);

// Keeps the unread count of a message tree (sources at the top level, their messages under
// them) as the tree changes: a message read, unread, deleted, or stored and shown. It follows the
// tree's own change reports, so it costs nothing while the tree is left alone, and a change
// costs one pass over the children of the source it touched.
//
// The tree is borrowed and must outlive the counter (which observes it from construction to
// destruction). Single-threaded, like the tree.
class UnreadCounter : public TreeObserver {
public:
    explicit UnreadCounter(TreeControl& tree);
    ~UnreadCounter() override;
    UnreadCounter(const UnreadCounter&) = delete;
    UnreadCounter& operator=(const UnreadCounter&) = delete;

    const UnreadCount& count() const { return count_; }
    // Called after each change of the count (not for tree changes that leave it as it was).
    void setChanged(std::function<void()> changed) { changed_ = std::move(changed); }

    void nodesInserted(TreeNode* parent, int first, int last) override;
    void nodesAboutToBeRemoved(TreeNode* parent, int first, int last) override;
    void nodesRemoved(TreeNode* parent, int first, int last) override;
    void nodeChanged(TreeNode* node, NodeField field) override;
    void treeReset() override;

private:
    // Counts the unread children of source node `source` afresh.
    void recountSource(const TreeNode& source);
    void recountAll();
    // Sums the sources' counts and reports a change.
    void publish();

    TreeControl& tree_;
    std::unordered_map<const TreeNode*, int> perSource_;
    UnreadCount count_;
    std::function<void()> changed_;
};

}  // namespace vellorin
