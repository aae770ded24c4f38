#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vellorin {

class AppContext;
class MessageWindows;
class TreeControl;
class TreeNode;
struct LabelEdit;
struct TreeMouseRelease;

// One item of the message tree window's option bar (ucOptionbar), group "Options" or "Help".
struct OptionBarItem {
    std::string_view group;
    std::string_view caption;
    std::string_view key;
    int icon;  // position in imlOptionBar
};

// The items in the order the option bar shows them (the group "Messages" holds the tree).
inline constexpr OptionBarItem kOptionBarItems[] = {
    {"Options", "Configure Plug-Ins", "opt_plugin", 6},
    {"Options", "Settings", "opt_settings", 1},
    {"Help", "Help File", "help_file", 2},
    {"Help", "Contact Us", "help_email", 3},
    {"Help", "Visit our Website", "help_website", 4},
};

// What the handlers ask of the rest of the program. An empty hook does nothing, except shellOpen,
// which falls back to ShellOpen.
struct TreeHandlerHooks {
    // A double-click on a source node checks it, in this order: queueSelectedSource
    // (InteractiveCheck := true, QueueSources for the selected source), the tree disabled,
    // processQueue (ProcessQueue, then wait while the run is busy), the tree enabled again.
    std::function<void()> queueSelectedSource;
    std::function<void()> processQueue;
    // Shows the message context menu mnuPopupSource at the pointer.
    std::function<void(int x, int y)> showSourceMenu;
    // Shows mnuPopupSource at the selected node (asked from the keyboard).
    std::function<void()> showSourceMenuAtSelection;
    // Shows the context menu of a source node (Mark All as Read) at the pointer.
    std::function<void(int x, int y)> showSourceNodeMenu;
    // Shows that menu at the selected source node (asked from the keyboard).
    std::function<void()> showSourceNodeMenuAtSelection;
    // The preferences dialog frmSettings and the plug-in dialog frmRegPlugin, modal.
    std::function<void()> openSettings;
    std::function<void()> openPlugIns;
    // Opens a file, web address or "mailto:" address with the desktop's handler.
    std::function<void(const std::string& target)> shellOpen;
};

// The handlers of the message tree window frmOptions over its tree tvMessages. The Qt view
// forwards the tree's events here. The collaborators are borrowed and must outlive the object.
class TreeHandlers {
public:
    TreeHandlers(AppContext& context, TreeControl& tvMessages, MessageWindows& windows,
                 TreeHandlerHooks hooks);

    // A message node is opened (ShowSelectedMessage: shown, then marked read); a source node is
    // checked through the hooks; nothing happens in an empty tree or without a selection.
    void tvMessages_DblClick();

    // F2 (kKeyF2) on a selected source node starts editing its title; anything else does nothing.
    void tvMessages_KeyUp(int keyCode, int shift);

    // A key pressed in the tree: the keyboard's way to the message actions, on the selected
    // message node. Enter opens it (as a double-click does), Delete deletes it (asking first,
    // MessageActions), the menu key and Shift+F10 show the context menu at it
    // (showSourceMenuAtSelection); on a selected source node those two keys show the source's
    // menu (showSourceNodeMenuAtSelection). True when the key did one of these; false for any
    // other key and when no node is selected.
    bool tvMessages_KeyDown(int keyCode, int shift);

    // The end of a title edit (hand it to TreeControl::finishLabelEdit, or call finishRename).
    // A blank title is refused with the cancel flag, silently. Otherwise asks "Change Title?"
    // (Yes/No, No the default); No cancels. Yes renames the source whose link is the node's tag
    // (UpdateSource, link unchanged): success clears the cancel flag and gives the new title to
    // the node that holds the source's key after the box (events run while it is open, and a
    // check run or reload may have replaced the edited node); failure shows "Failed to change
    // Title!" and cancels. An edit of a message node is cancelled without a question, as its tag
    // is a guid, not a link.
    void tvMessages_AfterLabelEdit(LabelEdit& edit);

    // Ends the edit of `node` with `newText` through tvMessages_AfterLabelEdit. True when the
    // source was renamed: its node, `node` or the node that replaced it meanwhile, shows the new
    // text.
    bool finishRename(TreeNode& node, std::string newText);

    // The right button released while a message node is selected: the node under the pointer, if
    // any, becomes the selection, then the context menu is shown at (x, y) unless that node is a
    // source node (the menu acts on messages only). With a source node selected, or any other
    // button, nothing happens. Except: the right button released over a source node selects it
    // and shows the source node menu, when there is one.
    void tvMessages_MouseUp(const TreeMouseRelease& release);

    // An option bar item clicked, by its key: "opt_settings", "opt_plugin" open their dialogs;
    // "help_file" opens the help page (help.html) of the application folder, or shows "Help File
    // not found!" when it is missing; "help_email" opens a mail to the service's contact address;
    // "help_website" the service's help page. Other keys do nothing.
    void ucOptionbar_ItemClick(std::string_view key);

private:
    void shellOpen(const std::string& target);

    AppContext& context_;
    TreeControl& tvMessages_;
    MessageWindows& windows_;
    TreeHandlerHooks hooks_;
};

}  // namespace vellorin
