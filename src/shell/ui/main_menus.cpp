#include "shell/ui/main_menus.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include <initializer_list>

namespace vellorin {
namespace {

// One item: control name, caption with its access key, shortcut ("" for none).
struct MenuItemEntry {
    QAction* MainMenus::*member;
    const char* name;
    const char* caption;
    const char* shortcut;
};

// A menu: control name, caption, its items with nullptr members for separators.
struct MenuEntry {
    QMenu* MainMenus::*member;
    const char* name;
    const char* caption;
    std::initializer_list<MenuItemEntry> items;
};

constexpr MenuItemEntry kSeparator{nullptr, nullptr, nullptr, nullptr};

QAction* AddItem(QMenu* menu, const MenuItemEntry& entry) {
    QAction* item = menu->addAction(QString::fromLatin1(entry.caption));
    item->setObjectName(QString::fromLatin1(entry.name));
    item->setShortcut(QKeySequence(QString::fromLatin1(entry.shortcut)));
    return item;
}

}  // namespace

MainMenus BuildMainMenus(QMenuBar* bar) {
    const MenuEntry menus[] = {
        {&MainMenus::mnuFile,
         "mnuFile",
         "&File",
         {
             {&MainMenus::mnuFileSystray, "mnuFileSystray", "&Minimize to System Tray", "Ctrl+T"},
             kSeparator,
             {&MainMenus::mnuFileSaveAs, "mnuFileSaveAs", "&Save As", "Ctrl+S"},
             {&MainMenus::mnuFilePrint, "mnuFilePrint", "&Print", "Ctrl+P"},
             kSeparator,
             {&MainMenus::mnuFileCloseCurrent, "mnuFileCloseCurrent", "Close &Draft", "Ctrl+W"},
             {&MainMenus::mnuFileCloseAll, "mnuFileCloseAll", "Close &All", "Shift+F4"},
             kSeparator,
             {&MainMenus::mnuFileExit, "mnuFileExit", "E&xit", "Ctrl+Q"},
         }},
        {&MainMenus::mnuMsgSource,
         "mnuMsgSource",
         "Message Sources",
         {
             {&MainMenus::mnuMsgSourceNew, "mnuMsgSourceNew", "Subscribe to &New Source", "Ctrl+N"},
             kSeparator,
             {&MainMenus::mnuMsgSourceCheckCurrent, "mnuMsgSourceCheckCurrent",
              "Check for New &Messages", "F5"},
             {&MainMenus::mnuMsgSourceCheckAll, "mnuMsgSourceCheckAll",
              "Check &All Sources for New Messages", "Ctrl+F5"},
             kSeparator,
             {&MainMenus::mnuMsgSourceManage, "mnuMsgSourceManage", "&Subscription List Manager",
              "F3"},
             kSeparator,
             {&MainMenus::mnuMsgSourceFind, "mnuMsgSourceFind", "&Find Messages", "Ctrl+K"},
             {&MainMenus::mnuMsgSourceNextUnread, "mnuMsgSourceNextUnread", "Next &Unread Message",
              "F8"},
             {&MainMenus::mnuMsgSourceMarkRead, "mnuMsgSourceMarkRead", "Mark All as &Read",
              "Ctrl+R"},
             {&MainMenus::mnuMsgSourceMarkAllRead, "mnuMsgSourceMarkAllRead",
              "Mark All Sources as R&ead", "Ctrl+Shift+R"},
         }},
        {&MainMenus::mnuTools,
         "mnuTools",
         "&Tools",
         {
             {&MainMenus::mnuToolsDropBox, "mnuToolsDropBox", "Vellorin &DropBox", "F9"},
             kSeparator,
             {&MainMenus::mnuToolsPlugIn, "mnuToolsPlugIn", "Vellorin Plug-In Configuration", "F4"},
             {&MainMenus::mnuToolsSettings, "mnuToolsSettings", "Se&ttings", "Ctrl+F4"},
         }},
        {&MainMenus::mnuHelp,
         "mnuHelp",
         "&Help",
         {
             {&MainMenus::mnuHelpFile, "mnuHelpFile", "Online Help", "F1"},
             kSeparator,
             {&MainMenus::mnuHelpEmail, "mnuHelpEmail", "Contact Us", "Ctrl+F1"},
             {&MainMenus::mnuHelpWebsite, "mnuHelpWebsite", "Visit our Website", "Shift+F1"},
             kSeparator,
             {&MainMenus::mnuHelpAbout, "mnuHelpAbout", "About", ""},
         }},
    };

    MainMenus out;
    for (const MenuEntry& entry : menus) {
        QMenu* menu = bar->addMenu(QString::fromLatin1(entry.caption));
        menu->setObjectName(QString::fromLatin1(entry.name));
        out.*entry.member = menu;
        for (const MenuItemEntry& item : entry.items) {
            if (item.member == nullptr)
                menu->addSeparator();
            else
                out.*item.member = AddItem(menu, item);
        }
    }
    out.mnuToolsDropBox->setCheckable(true);
    // "About" has no action: it is hidden together with the separator before it.
    const QList<QAction*> helpItems = out.mnuHelp->actions();
    const qsizetype about = helpItems.indexOf(out.mnuHelpAbout);
    helpItems[about - 1]->setVisible(false);
    out.mnuHelpAbout->setVisible(false);
    return out;
}

}  // namespace vellorin
