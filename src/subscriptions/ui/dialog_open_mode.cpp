#include "subscriptions/ui/dialog_open_mode.h"

#include <QDialog>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include "base/screen_geometry.h"

namespace vellorin {
namespace {

// Centres the window's frame (its client area while the frame is not known) on the work area
// of its screen.
void CentreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen();
    if (screen == nullptr)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

}  // namespace

void ShowDialog(QDialog* dialog, DialogOpenMode mode) {
    if (dialog == nullptr)
        return;
    if (!dialog->isVisible()) {
        dialog->setWindowModality(IsModal(mode) ? Qt::ApplicationModal : Qt::NonModal);
        CentreOnScreen(dialog);
        dialog->show();
        // Where the frame's size is known once the window is shown, centre the frame exactly.
        CentreOnScreen(dialog);
    }
    dialog->raise();
    dialog->activateWindow();
}

QSize TwipsToPixels(const QWidget* widget, int widthTwips, int heightTwips) {
    return {TwipsToPixels(widthTwips, TwipsPerPixel(widget->logicalDpiX())),
            TwipsToPixels(heightTwips, TwipsPerPixel(widget->logicalDpiY()))};
}

QFont SubscriptionDialogFont() {
    QFont font(QStringLiteral("Verdana"));
    font.setPointSizeF(8.25);
    return font;
}

}  // namespace vellorin
