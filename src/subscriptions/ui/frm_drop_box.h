#pragma once

#include <QPixmap>
#include <QPoint>
#include <QWidget>

#include <array>
#include <functional>
#include <string>

#include "subscriptions/drop_box_drop.h"

class QAction;
class QCloseEvent;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QMenu;
class QMouseEvent;
class QPaintEvent;

namespace vellorin {

class AppContext;

// frmDropBox: the drop box, a small frameless window above all others, without a task-bar entry,
// that shows only the program's picture. A link of the service dragged onto it goes to `onLink`
// (which opens the subscribe dialog with the link put in); anything else gets the core's boxes
// (ProcessDroppedData). It never takes the keyboard focus: clicking, dragging or dropping on it
// leaves the user's window active.
//
// Dragging it with the left button anywhere moves it. Its right-click menu mnuPopup ("PopupMenu")
// chooses the size ("Window Size": mnuPopupSizeOpt 0 "Small", 1 "Normal", 2 "Large") and the
// transparency ("Transperancy": mnuPopupTransOpt 0 "None", 1 "Low", 2 "Normal", 3 "High"), and
// "Close" (mnuPopupClose) closes it. The checked items are the current size and level.
//
// Construction applies the section "dropbox" of settings.cfg (ApplySettings) and shows the
// window; closing it, however that happens, writes position, size and level back and deletes it.
class frmDropBox : public QWidget {
    Q_OBJECT

public:
    static constexpr int kSizeCount = 3;
    static constexpr int kLevelCount = 4;

    // Called with the text of a drop that passed the checks. May be empty: the drop then does
    // nothing after the checks.
    using LinkHandler = std::function<void(const std::string& link)>;

    // The context must outlive the window.
    frmDropBox(AppContext& context, LinkHandler onLink, QWidget* parent = nullptr);

    // Loads the section "dropbox" and applies it: position (a place on no screen opens at the
    // primary screen's top left), size, menu checks and, where the platform can, transparency.
    void ApplySettings();

    QMenu* mnuPopup() const { return mnuPopup_; }
    QAction* mnuPopupSizeOpt(int index) const;
    QAction* mnuPopupTransOpt(int index) const;
    QAction* mnuPopupClose() const { return mnuPopupClose_; }
    // The index of the first checked size or level item (the current size or level).
    int CheckedSize() const;
    int CheckedTrans() const;
    // The picture shown at the current size.
    const QPixmap& picture() const { return picture_; }

signals:
    // The box has saved its settings and is going away.
    void unloaded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenu();
    void mnuPopupSizeOpt_Click(int index);
    void mnuPopupTransOpt_Click(int index);
    // The picture and window measures of size `index`.
    void SetSize(int index);
    void SetLevel(int index);
    void ProcessDrop(const DroppedData& data);
    void Form_Unload();

    AppContext& context_;
    LinkHandler onLink_;
    QMenu* mnuPopup_ = nullptr;
    std::array<QAction*, kSizeCount> mnuPopupSizeOpt_{};
    std::array<QAction*, kLevelCount> mnuPopupTransOpt_{};
    QAction* mnuPopupClose_ = nullptr;
    QPixmap picture_;
    // How the left button's drag moves the window: not at all until the pointer has moved the
    // drag distance (a click stays a click), then by the window manager or, where it cannot,
    // by the window following the mouse itself.
    enum class Drag { kNone, kPressed, kSystem, kFollowing };
    Drag drag_ = Drag::kNone;
    QPoint pressPos_;
    QPoint grabOffset_;
    bool unloaded_ = false;
};

}  // namespace vellorin
