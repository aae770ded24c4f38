#pragma once

#include <functional>

namespace vellorin {

class AppContext;
class TreeControl;
class TreeNode;

// "Mark All as Read" for one source: every stored message of the source whose top-level node is
// `source` marked read with one write of its inbox (mInbox::MarkAllRead), then every message
// node under it given the read look. A write that fails shows "Error!" (exclamation) naming the
// source and leaves the nodes as they were. False then, or when `source` is not a top-level node.
bool MarkSourceRead(AppContext& context, TreeNode& source);

// "Mark All Sources as Read": MarkSourceRead for every source of the tree, in tree order. The
// number of sources whose inbox could not be written.
int MarkAllSourcesRead(AppContext& context, TreeControl& tree);

// The message node that "Next Unread Message" opens: the first unread message node (image 2) in
// tree order after `from` (the selected node; a source node counts as standing before its
// messages), wrapping round to the top of the tree; with no `from`, the first one of the tree.
// Only nodes that `eligible` accepts count (every one without it). Null when there is none;
// `from` itself is found last, when it is the only unread message.
TreeNode* NextUnreadMessage(const TreeControl& tree, const TreeNode* from,
                            const std::function<bool(const TreeNode&)>& eligible = {});

}  // namespace vellorin
