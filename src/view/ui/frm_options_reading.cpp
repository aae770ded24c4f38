// frmOptions: finding messages and the reading commands over the tree.

#include <QToolBox>

#include "view/message_windows.h"
#include "view/reading_commands.h"
#include "view/show_message.h"
#include "view/ui/frm_options.h"
#include "view/ui/message_search_bar.h"
#include "view/ui/source_node_menu.h"
#include "view/ui/tree_view.h"

namespace vellorin {

void frmOptions::BuildSearch() {
    searchBar_ = new MessageSearchBar(context_, *tvMessagesView_);
    mnuPopupSourceNode_ = new SourceNodeMenu(this);
    connect(mnuPopupSourceNode_->mnuPopupSourceNodeRead(), &QAction::triggered, this,
            &frmOptions::MarkSelectedSourceRead);
}

void frmOptions::FocusSearch() {
    ucOptionbar_->setCurrentWidget(picMsgContainer_);
    searchBar_->focusSearch();
}

bool frmOptions::OpenNextUnread() {
    std::function<bool(const TreeNode&)> eligible;
    if (searchBar_->searching())
        eligible = [this](const TreeNode& node) { return searchBar_->isShown(node); };
    TreeNode* node = NextUnreadMessage(tvMessages_, tvMessages_.selectedNode(), eligible);
    if (node == nullptr)
        return false;
    node->parent()->setExpanded(true);
    (void)tvMessages_.setSelectedNode(node);
    (void)ShowSelectedMessage(context_, tvMessages_, windows_);
    return true;
}

void frmOptions::MarkSelectedSourceRead() {
    TreeNode* node = tvMessages_.selectedNode();
    if (node == nullptr)
        return;
    while (node->parent() != nullptr)
        node = node->parent();
    (void)MarkSourceRead(context_, *node);
}

void frmOptions::MarkAllSourcesRead() {
    (void)vellorin::MarkAllSourcesRead(context_, tvMessages_);
}

}  // namespace vellorin
