#pragma once

#include <QDockWidget>

class QCloseEvent;

namespace vellorin {

// ucFormDock: the dock container of the main window, holding the tree window. It cannot be got
// rid of: it has no close button, and a close asked for in any other way (its view action, a
// floating dock's window manager, code) is refused, so the tree pane is always there, until the
// main window unloads (allowClose): then a floating pane, a window of its own, closes with the
// others, and nothing holds the program open.
class FormDock : public QDockWidget {
    Q_OBJECT

public:
    explicit FormDock(QWidget* parent = nullptr);

    // From now on a close goes on.
    void allowClose() { closable_ = true; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool closable_ = false;
};

}  // namespace vellorin
