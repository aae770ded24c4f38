#pragma once

#include <functional>

#include "gui/gui_tests.h"

namespace vellorin::test {

// Runs `inspect` on the modal window of type T (a box, a file dialog) once it is up, from inside
// its event loop.
template <class T>
void WhenModalShows(const std::function<void(T*)>& inspect) {
    auto* poll = new QTimer(qApp);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, qApp, [poll, inspect] {
        auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        if (modal == nullptr || !modal->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        QPointer<T> guard(modal);
        inspect(modal);
        // A failed check returns early: close the window so the test fails instead of hanging.
        if (guard && guard->isVisible())
            guard->reject();
    });
    poll->start();
}

// The texts of the items under `parent` of `model` (none for a null model).
inline QStringList RowTexts(const QAbstractItemModel* model, const QModelIndex& parent = {}) {
    QStringList texts;
    for (int row = 0; model && row < model->rowCount(parent); ++row)
        texts << model->index(row, 0, parent).data().toString();
    return texts;
}

// Runs the deletions that closed windows left for later (WA_DeleteOnClose).
inline void DeleteClosedWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The widgets that take the focus one after the other when Tab is pressed `count` times,
// starting from the focus widget.
inline QList<QWidget*> TabChain(int count) {
    QList<QWidget*> chain;
    for (int i = 0; i < count; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        chain << QApplication::focusWidget();
    }
    return chain;
}

}  // namespace vellorin::test
