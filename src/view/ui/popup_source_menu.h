#pragma once

#include <QMenu>

#include <array>
#include <cstdint>

#include "view/message_actions.h"
#include "view/message_export.h"

class QAction;

namespace vellorin {

class AppContext;
class MessageWindows;
class SaveFileDialog;
class TreeControl;

// mnuPopupSource, the context menu of a message in the message tree: "Show", "Delete", "Mark as
// Read", "Mark as Unread" and "Export to File" with its three formats (the control array
// mnuPopupSourceExportOpt, indices 0 to 2, each action's data() its index). Each item acts on the
// tree's selected message through MessageActions and MessageExport; on a source node or without
// a selection they do nothing. The collaborators are borrowed and must outlive the menu.
class PopupSourceMenu : public QMenu {
    Q_OBJECT

public:
    PopupSourceMenu(AppContext& context, TreeControl& tvMessages, MessageWindows& windows,
                    SaveFileDialog& dialog, QWidget* parent = nullptr);

    QAction* mnuPopupSourceShow() const { return show_; }
    QAction* mnuPopupSourceDel() const { return del_; }
    QAction* mnuPopupSourceRead() const { return read_; }
    QAction* mnuPopupSourceUnread() const { return unread_; }
    QMenu* mnuPopupSourceExport() const { return export_; }
    // Null outside 0..2.
    QAction* mnuPopupSourceExportOpt(int index) const;

    // The items' handlers, as choosing them runs them.
    void mnuPopupSourceShow_Click();
    void mnuPopupSourceDel_Click();
    void mnuPopupSourceRead_Click();
    void mnuPopupSourceUnread_Click();
    ExportResult mnuPopupSourceExportOpt_Click(std::int16_t index);

private:
    MessageActions actions_;
    MessageExport exporter_;
    QAction* show_;
    QAction* del_;
    QAction* read_;
    QAction* unread_;
    QMenu* export_;
    std::array<QAction*, 3> exportOpt_{};
};

}  // namespace vellorin
