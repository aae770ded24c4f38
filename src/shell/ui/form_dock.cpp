#include "shell/ui/form_dock.h"

#include <QCloseEvent>

namespace vellorin {

FormDock::FormDock(QWidget* parent) : QDockWidget(parent) {
    setObjectName(QStringLiteral("ucFormDock"));
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
}

void FormDock::closeEvent(QCloseEvent* event) {
    if (closable_)
        QDockWidget::closeEvent(event);
    else
        event->ignore();
}

}  // namespace vellorin
