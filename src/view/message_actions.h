#pragma once

#include <optional>

#include "view/show_message.h"

namespace vellorin {

class AppContext;
class MessageWindows;
class TreeControl;

// The context menu of a message in the message tree (mnuPopupSource): Show, Delete, Mark as Read,
// Mark as Unread. Each acts on the tree's selected node and does nothing when that is not a
// message node (nothing selected, or a source node). Each keeps the message's record in its
// source's inbox, its node (picture and bold text) and, for a deletion, its open window in step.
// The collaborators are borrowed and must outlive the object.
class MessageActions {
public:
    MessageActions(AppContext& context, TreeControl& tvMessages, MessageWindows& windows)
        : context_(context), tvMessages_(tvMessages), windows_(windows) {}

    // "Show": ShowSelectedMessage (opens the message, marks it read). Nullopt when the selection
    // is not a message node.
    std::optional<ShowMessageResult> mnuPopupSourceShow_Click();

    // "Delete": asks "Delete selected Item?" (Yes/No, No the default); on Yes removes the message
    // from its inbox, then its node from the tree, then closes a window that shows it. True when
    // the message was deleted; false when declined, or when the inbox did not hold it (the node
    // stays and nothing is reported).
    bool mnuPopupSourceDel_Click();

    // "Mark as Read" / "Mark as Unread": sets the stored read flag; only when that succeeded the
    // node gets the read (image 3, normal) or unread (image 2, bold) look. True when stored.
    bool mnuPopupSourceRead_Click();
    bool mnuPopupSourceUnread_Click();

private:
    bool mark(bool read);

    AppContext& context_;
    TreeControl& tvMessages_;
    MessageWindows& windows_;
};

}  // namespace vellorin
