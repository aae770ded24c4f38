#include "view/ui/source_node_menu.h"

#include <QAction>

namespace vellorin {

SourceNodeMenu::SourceNodeMenu(QWidget* parent) : QMenu(parent) {
    setObjectName(QStringLiteral("mnuPopupSourceNode"));
    setTitle(QStringLiteral("PopupSourceNode"));
    read_ = addAction(QStringLiteral("Mark All as &Read"));
    read_->setObjectName(QStringLiteral("mnuPopupSourceNodeRead"));
}

}  // namespace vellorin
