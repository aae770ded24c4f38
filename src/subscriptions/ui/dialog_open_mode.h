#pragma once

#include <QFont>
#include <QPointer>
#include <QSize>

class QDialog;
class QWidget;

namespace vellorin {

// How a dialog of the program is opened: modal or modeless, owned by the main window or not.
// An owned dialog is created with the main window as its parent: it stays above it and shares
// its task-bar entry. An unowned one has no parent and a task-bar entry of its own.
enum class DialogOpenMode { ModalOwned, ModalUnowned, ModelessOwned, ModelessUnowned };

constexpr bool IsModal(DialogOpenMode mode) {
    return mode == DialogOpenMode::ModalOwned || mode == DialogOpenMode::ModalUnowned;
}
constexpr bool IsOwned(DialogOpenMode mode) {
    return mode == DialogOpenMode::ModalOwned || mode == DialogOpenMode::ModelessOwned;
}

// Shows `dialog` centred on its screen's work area, modal (input to every other window of the
// program is blocked until it closes) or modeless, then brings it forward and activates it. The
// call returns at once in both modes: a modal dialog runs in the application's own event loop,
// not a nested one. A dialog that is already shown keeps its place, its mode and its fields and
// is only brought forward.
void ShowDialog(QDialog* dialog, DialogOpenMode mode);

// Shows the program's one window of a kind, held in `window`. The one there is brought forward as
// it is when `reusable`; it goes first when it may not be reused (made for another context or
// tree) or was closed: a closed window waits for its deferred deletion and is gone already as far
// as the user can tell, so its fields must not come back. A new one is made by `make`, deletes
// itself when closed, and is shown in `mode`.
template <typename Window, typename Make>
Window* ShowOneWindow(QPointer<Window>& window, bool reusable, DialogOpenMode mode, Make make) {
    if (window && (window->isHidden() || !reusable))
        delete window.data();
    if (!window) {
        window = make();
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    ShowDialog(window, mode);
    return window;
}

// A client area given in twips (1/1440 inch), in pixels of the screen `widget` is on.
QSize TwipsToPixels(const QWidget* widget, int widthTwips, int heightTwips);

// The text font of the subscription dialogs: Verdana at 8.25 points (the desktop's nearest font
// where Verdana is not installed).
QFont SubscriptionDialogFont();

}  // namespace vellorin
