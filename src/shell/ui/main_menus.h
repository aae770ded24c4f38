#pragma once

class QAction;
class QMenu;
class QMenuBar;

namespace vellorin {

// The menu bar of frmMain: each item a QAction named after its control (objectName), with its
// caption, access key and shortcut. The window connects the items to its handlers.
struct MainMenus {
    QMenu* mnuFile = nullptr;
    QAction* mnuFileSystray = nullptr;
    QAction* mnuFileSaveAs = nullptr;
    QAction* mnuFilePrint = nullptr;
    QAction* mnuFileCloseCurrent = nullptr;
    QAction* mnuFileCloseAll = nullptr;
    QAction* mnuFileExit = nullptr;

    QMenu* mnuMsgSource = nullptr;
    QAction* mnuMsgSourceNew = nullptr;
    QAction* mnuMsgSourceCheckCurrent = nullptr;
    QAction* mnuMsgSourceCheckAll = nullptr;
    QAction* mnuMsgSourceManage = nullptr;
    // Finding and reading: the search field (Ctrl+K), the next unread message (F8), the selected
    // source and every source marked read.
    QAction* mnuMsgSourceFind = nullptr;
    QAction* mnuMsgSourceNextUnread = nullptr;
    QAction* mnuMsgSourceMarkRead = nullptr;
    QAction* mnuMsgSourceMarkAllRead = nullptr;

    QMenu* mnuTools = nullptr;
    // Checkable: checked while the drop box is open.
    QAction* mnuToolsDropBox = nullptr;
    QAction* mnuToolsPlugIn = nullptr;
    QAction* mnuToolsSettings = nullptr;

    QMenu* mnuHelp = nullptr;
    QAction* mnuHelpFile = nullptr;
    QAction* mnuHelpEmail = nullptr;
    QAction* mnuHelpWebsite = nullptr;
    // Hidden, with the separator before it.
    QAction* mnuHelpAbout = nullptr;
};

// Fills `bar` with the four menus and their items, separators between the groups.
MainMenus BuildMainMenus(QMenuBar* bar);

}  // namespace vellorin
