#pragma once

#include <QPointer>
#include <QTreeView>

#include <memory>

#include "view/tree_control.h"
#include "view/ui/image_list.h"

class QKeyEvent;
class QMouseEvent;

namespace vellorin {

class TreeModel;

// A QTreeView that shows a TreeControl (through its own TreeModel) and behaves as the program's
// tree control: it mirrors the control's selection, expanded flags and enabled flag both ways,
// opens the text editor when the program asks (TreeControl::startLabelEdit) and never by itself,
// and reports the user's double-clicks, key releases and mouse releases as signals in the
// control's vocabulary. A right press does not select: the program decides what a right release
// does. A finished text edit goes to the model (setData, so to its label-edit handler) while the
// editor still shows the new text; Esc abandons the edit.
// The control is borrowed and must outlive the view.
class TreeView : public QTreeView {
    Q_OBJECT

public:
    TreeView(TreeControl& tree, ImageList images, QWidget* parent = nullptr);
    ~TreeView() override;

    TreeControl& tree() const { return tree_; }
    TreeModel& treeModel() const { return *model_; }

    // The key code of the program's vocabulary for a Qt key (kKeyF2 for Qt::Key_F2); 0 for a
    // key it has no code for.
    static int KeyCode(int qtKey);

signals:
    // A double-click of the left button, anywhere in the tree.
    void DblClick();
    // A key released (not an automatic repeat) while the tree has the focus.
    void KeyUp(int keyCode, int shift);
    // A key pressed while the tree has the focus (before the view moves its selection). The
    // menu key and Shift+F10 reach only this signal: the view shows no menu of its own.
    void KeyDown(int keyCode, int shift);
    // A mouse button released over the tree; x and y are in the viewport's pixels.
    void MouseUp(const vellorin::TreeMouseRelease& release);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    // Hears the control's view-state notifications (a member, so that its function names do not
    // meet QTreeView's).
    class ControlObserver;

    void control_expandedChanged(TreeNode* node);
    void control_selectionChanged(TreeNode* selected);
    void control_labelEditRequested(TreeNode* node);
    void control_enabledChanged(bool enabled);
    void view_currentChanged(const QModelIndex& current);
    void view_expandedChanged(const QModelIndex& index, bool expanded);

    TreeControl& tree_;
    TreeModel* model_;
    std::unique_ptr<ControlObserver> observer_;
    // Set while the control's state is being copied into the view.
    bool applying_ = false;
    // While the control is disabled after the view had the keyboard focus: the control Qt handed
    // the focus on to (nullptr when it went nowhere).
    bool focusHandedOn_ = false;
    QPointer<QWidget> focusTakenBy_;
};

}  // namespace vellorin
