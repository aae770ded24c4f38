#pragma once

#include <QMenu>

class QAction;

namespace vellorin {

// mnuPopupSourceNode, the context menu of a source node in the message tree: "Mark All as Read"
// (mnuPopupSourceNodeRead). The window that shows it connects the item to its command.
class SourceNodeMenu : public QMenu {
    Q_OBJECT

public:
    explicit SourceNodeMenu(QWidget* parent = nullptr);

    QAction* mnuPopupSourceNodeRead() const { return read_; }

private:
    QAction* read_;
};

}  // namespace vellorin
