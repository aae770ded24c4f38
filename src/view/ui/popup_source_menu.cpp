#include "view/ui/popup_source_menu.h"

#include <QAction>

#include <cstddef>
#include <string>

namespace vellorin {
namespace {

QAction* AddItem(QMenu& menu, const char* name, const char* caption) {
    QAction* action = menu.addAction(QString::fromLatin1(caption));
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

}  // namespace

PopupSourceMenu::PopupSourceMenu(AppContext& context, TreeControl& tvMessages,
                                 MessageWindows& windows, SaveFileDialog& dialog, QWidget* parent)
    : QMenu(parent),
      actions_(context, tvMessages, windows),
      exporter_(context, tvMessages, dialog) {
    setObjectName(QStringLiteral("mnuPopupSource"));
    setTitle(QStringLiteral("PopupTreeview"));

    show_ = AddItem(*this, "mnuPopupSourceShow", "Show");
    addSeparator();
    del_ = AddItem(*this, "mnuPopupSourceDel", "Delete");
    addSeparator();
    read_ = AddItem(*this, "mnuPopupSourceRead", "Mark as Read");
    unread_ = AddItem(*this, "mnuPopupSourceUnread", "Mark as Unread");
    addSeparator();
    export_ = addMenu(QStringLiteral("Export to File"));
    export_->setObjectName(QStringLiteral("mnuPopupSourceExport"));
    for (std::size_t i = 0; i < exportOpt_.size(); ++i) {
        const auto index = static_cast<std::int16_t>(i);
        const ExportDialogSettings* settings = ExportDialogFor(index);
        QAction* action =
            export_->addAction(QString::fromStdString(std::string(settings->menuCaption)));
        action->setObjectName(QStringLiteral("mnuPopupSourceExportOpt"));
        action->setData(static_cast<int>(index));
        connect(action, &QAction::triggered, this,
                [this, index] { (void)mnuPopupSourceExportOpt_Click(index); });
        exportOpt_[i] = action;
    }

    connect(show_, &QAction::triggered, this, &PopupSourceMenu::mnuPopupSourceShow_Click);
    connect(del_, &QAction::triggered, this, &PopupSourceMenu::mnuPopupSourceDel_Click);
    connect(read_, &QAction::triggered, this, &PopupSourceMenu::mnuPopupSourceRead_Click);
    connect(unread_, &QAction::triggered, this, &PopupSourceMenu::mnuPopupSourceUnread_Click);
}

QAction* PopupSourceMenu::mnuPopupSourceExportOpt(int index) const {
    if (index < 0 || index >= static_cast<int>(exportOpt_.size()))
        return nullptr;
    return exportOpt_[static_cast<std::size_t>(index)];
}

void PopupSourceMenu::mnuPopupSourceShow_Click() {
    (void)actions_.mnuPopupSourceShow_Click();
}

void PopupSourceMenu::mnuPopupSourceDel_Click() {
    (void)actions_.mnuPopupSourceDel_Click();
}

void PopupSourceMenu::mnuPopupSourceRead_Click() {
    (void)actions_.mnuPopupSourceRead_Click();
}

void PopupSourceMenu::mnuPopupSourceUnread_Click() {
    (void)actions_.mnuPopupSourceUnread_Click();
}

ExportResult PopupSourceMenu::mnuPopupSourceExportOpt_Click(std::int16_t index) {
    return exporter_.mnuPopupSourceExportOpt_Click(index);
}

}  // namespace vellorin
