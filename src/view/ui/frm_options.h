#pragma once

#include <QWidget>

#include "view/tree_control.h"
#include "view/tree_handlers.h"
#include "view/ui/qt_save_file_dialog.h"

class QToolBox;
class QToolButton;

namespace vellorin {

class AppContext;
class ImageList;
class MessageSearchBar;
class MessageWindows;
class PopupSourceMenu;
class SourceNodeMenu;
class TreeView;

// frmOptions ("Messages Sources"): the tree window that the main window docks. It owns the message
// tree tvMessages (a TreeControl, shown by a TreeView of that name) inside the option bar
// ucOptionbar (a QToolBox with the groups "Messages", holding the tree in picMsgContainer,
// "Options" and "Help", whose items are buttons named by their item keys), the message context
// menu mnuPopupSource and the save dialog of its exports. Constructing it runs its load: the
// option bar is built and the tree filled from subscriptions.dat and the inboxes (sources in
// title order, each with its messages newest day first, unread ones bold).
//
// The tree's events go to TreeHandlers with `hooks`. Empty menu hooks are filled with this
// window's own: mnuPopupSource, or a source node's menu, pops up at (x, y) of the tree's viewport,
// or at the selected node. An empty shellOpen
// hook opens the target with the desktop's handler (QDesktopServices). The context and the
// windows are borrowed and must outlive the window.
class frmOptions : public QWidget {
    Q_OBJECT

public:
    frmOptions(AppContext& context, MessageWindows& windows, TreeHandlerHooks hooks,
               QWidget* parent = nullptr);
    ~frmOptions() override;

    // The message tree that the check runs, the subscribe dialog and the manager fill.
    TreeControl& tvMessages() { return tvMessages_; }
    // The view of tvMessages (objectName "tvMessages").
    TreeView* tvMessagesView() const { return tvMessagesView_; }
    QToolBox* ucOptionbar() const { return ucOptionbar_; }
    PopupSourceMenu* mnuPopupSource() const { return mnuPopupSource_; }
    // The save dialog of the exports.
    QtSaveFileDialog& ucCommonDialog() { return ucCommonDialog_; }

    // Shows mnuPopupSource at (x, y) of the tree's viewport without waiting for a choice.
    void ShowSourceMenu(int x, int y);
    // Shows mnuPopupSource below the start of the selected node's row, scrolled into view.
    void ShowSourceMenuAtSelection();

    // --- Finding and reading (frm_options_reading.cpp).

    // The search field above the tree (picSearch with txtSearch).
    MessageSearchBar* searchBar() const { return searchBar_; }
    // The context menu of a source node; a right-click on a source shows it.
    SourceNodeMenu* mnuPopupSourceNode() const { return mnuPopupSourceNode_; }
    // Ctrl+K: the "Messages" group comes up and the search field takes the keyboard focus.
    void FocusSearch();
    // "Next Unread Message": the next unread message after the selected node (NextUnreadMessage;
    // among the matches while a search is shown) is selected, its source expanded, and opened as
    // a double-click opens it. False when there is none.
    bool OpenNextUnread();
    // "Mark All as Read" for the selected source, or the source of the selected message; nothing
    // without a selection. "Mark All Sources as Read" for every source.
    void MarkSelectedSourceRead();
    void MarkAllSourcesRead();

private:
    TreeHandlerHooks WithOwnHooks(TreeHandlerHooks hooks);
    // Below the start of the selected node's row (scrolled into view), in the tree's viewport.
    QPoint SelectionPoint() const;
    void Form_Load();
    void BuildOptionBar();
    void BuildSearch();
    QToolButton* AddOptionBarItem(QWidget* group, const OptionBarItem& item,
                                  const ImageList& imlOptionBar);

    AppContext& context_;
    MessageWindows& windows_;
    TreeControl tvMessages_{"tvMessages"};
    QtSaveFileDialog ucCommonDialog_;
    TreeHandlers handlers_;
    QToolBox* ucOptionbar_ = nullptr;
    QWidget* picMsgContainer_ = nullptr;
    TreeView* tvMessagesView_ = nullptr;
    PopupSourceMenu* mnuPopupSource_ = nullptr;
    MessageSearchBar* searchBar_ = nullptr;
    SourceNodeMenu* mnuPopupSourceNode_ = nullptr;
};

}  // namespace vellorin
