#include "base/ui/gui_helpers.h"

#include <QApplication>
#include <QList>
#include <QPointer>
#include <QWidget>

namespace vellorin {

void SetTopMost(QWidget* window, bool topMost) {
    if (window == nullptr)
        return;
    QRect geometry = window->geometry();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, topMost);
    window->setGeometry(geometry);
    window->show();
}

void UnloadAllForms(const QWidget* except) {
    // Closing one window may delete others (WA_DeleteOnClose, parents): hold guarded pointers.
    QList<QPointer<QWidget>> windows;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w != except && w->isWindow())
            windows.append(w);
    }
    for (const QPointer<QWidget>& w : windows) {
        if (w)
            w->close();
    }
}

}  // namespace vellorin
