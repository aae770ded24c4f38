#include "shell/ui/gui_check_run_hooks.h"

#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QScreen>

#include <utility>

#include "base/helpers.h"
#include "shell/busy_placement.h"

namespace vellorin {
namespace {

ScreenRect ToScreenRect(const QRect& rect) {
    return rect.isValid() ? ScreenRect{rect.x(), rect.y(), rect.width(), rect.height()}
                          : ScreenRect{};
}

}  // namespace

GuiCheckRunHooks::GuiCheckRunHooks(QString appFolder, MainWindowPlaceSource mainWindowPlace,
                                   TrayBusy trayBusy, TrayAlert trayAlert)
    : appFolder_(std::move(appFolder)),
      mainWindowPlace_(std::move(mainWindowPlace)),
      trayBusy_(std::move(trayBusy)),
      trayAlert_(std::move(trayAlert)) {}

GuiCheckRunHooks::~GuiCheckRunHooks() {
    delete frmBusy_.data();
}

frmBusy* GuiCheckRunHooks::load() {
    if (closedByUser_)
        return nullptr;
    if (!frmBusy_) {
        frmBusy_ = new frmBusy(appFolder_);
        QObject::connect(frmBusy_.data(), &frmBusy::closedByUser, frmBusy_.data(), [this] {
            closedByUser_ = true;
            frmBusy_->deleteLater();
        });
        placed_ = false;
    }
    return frmBusy_;
}

void GuiCheckRunHooks::place(frmBusy& window) const {
    window.adjustSize();
    const MainWindowPlace where = mainWindowPlace_ ? mainWindowPlace_() : MainWindowPlace{};
    QScreen* screen = nullptr;
    if (where.frame.isValid())
        screen = QGuiApplication::screenAt(where.frame.center());
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    const ScreenRect workArea = screen ? ToScreenRect(screen->availableGeometry()) : ScreenRect{};
    const QSize size = window.frameGeometry().size();
    const ScreenRect frame = BusyWindowPlacement(ToScreenRect(where.frame), where.optionsWidth,
                                                 size.width(), size.height(), workArea);
    window.move(frame.x, frame.y);
}

void GuiCheckRunHooks::lstQueueAddItem(const std::string& title) {
    if (frmBusy* window = load())
        window->lstQueue()->addItem(QString::fromStdString(title));
}

void GuiCheckRunHooks::lstQueueRemoveFirst() {
    if (frmBusy* window = load())
        delete window->lstQueue()->takeItem(0);
}

void GuiCheckRunHooks::showBusy(const std::string& sourceTitle) {
    frmBusy* window = load();
    if (window == nullptr)
        return;
    window->lblSource()->setText(QString::fromStdString(sourceTitle));
    // Placed once per run: moving it at every source would walk it off the screen.
    if (!placed_) {
        place(*window);
        placed_ = true;
    }
    window->show();
}

void GuiCheckRunHooks::lblStatus(const std::string& text) {
    if (frmBusy* window = load())
        window->lblStatus()->setText(QString::fromStdString(text));
}

void GuiCheckRunHooks::unloadBusy() {
    delete frmBusy_.data();
    closedByUser_ = false;
}

void GuiCheckRunHooks::setTrayBusy(bool busy) {
    if (trayBusy_)
        trayBusy_(busy);
}

void GuiCheckRunHooks::ucTrayAlert(const std::string& text, int displayMs) {
    if (trayAlert_ && !IsBlank(text))
        trayAlert_(QString::fromStdString(text), displayMs);
}

}  // namespace vellorin
