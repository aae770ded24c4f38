#pragma once

#include <QDockWidget>

class QCloseEvent;

namespace vellorin {

// ucFormDock: the dock container of the main window, holding the tree window. It cannot be got
// rid of: it has no close button, and a close asked for in any other way (its view action, a
// floating dock's window manager, code) is refused, so the tree pane is always there.
class FormDock : public QDockWidget {
    Q_OBJECT

public:
    explicit FormDock(QWidget* parent = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace vellorin
