#pragma once

#include <optional>
#include <string>

namespace vellorin {

class AppContext;
class OpenMessageWindows;
class TreeControl;

// How far ShowMessage got.
enum class ShowOutcome {
    AlreadyOpen,  // a window showed the message already and got the focus; nothing written
    NotStored,    // the source's inbox does not hold the message; nothing shown or written
    NoPage,       // the page was not rendered (its box was shown); no window opened
    Opened,       // item.htm was written and a new window shows it
};

struct ShowMessageResult {
    ShowOutcome outcome = ShowOutcome::NotStored;
    std::string pagePath;  // item.htm, when Opened
};

// Opens the message `guid` of source `sourceId` in a message window. Makes them current
// (mInbox::CurrentSourceID, CurrentItem.Guid) first; a window already showing the message is
// brought forward instead. Otherwise loads the message into CurrentItem, renders its page over
// DataFolder/item.htm (RenderMessagePage, with its boxes) and opens a window with ItemID `guid`,
// the caption ShortTitle(title) and that page.
ShowMessageResult ShowMessage(AppContext& context, OpenMessageWindows& windows,
                              const std::string& sourceId, const std::string& guid);

// What the tree does to open its selected message (the "Show" command and a double-click):
// ShowMessage, then, when a window shows the message (Opened, AlreadyOpen) and its node is still
// unread, the node gets the read look and the inbox marks the message read; a message that could
// not be shown stays unread. Nullopt, with nothing done, when the
// selection is not a message node. The node is looked up again after ShowMessage, whose boxes let
// events run; a node that has gone meanwhile is left alone.
std::optional<ShowMessageResult> ShowSelectedMessage(AppContext& context, TreeControl& tree,
                                                     OpenMessageWindows& windows);

}  // namespace vellorin
