#include "view/ui/tree_view.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include <utility>

#include "view/ui/tree_model.h"

namespace vellorin {

class TreeView::ControlObserver : public TreeObserver {
public:
    explicit ControlObserver(TreeView& view) : view_(view) {}

    void nodeChanged(TreeNode* node, NodeField field) override {
        if (field == NodeField::Expanded)
            view_.control_expandedChanged(node);
    }
    void selectionChanged(TreeNode* selected) override { view_.control_selectionChanged(selected); }
    void enabledChanged(bool enabled) override { view_.control_enabledChanged(enabled); }
    void labelEditRequested(TreeNode* node) override { view_.control_labelEditRequested(node); }

private:
    TreeView& view_;
};

namespace {

// Key codes of the keys that have one besides the letters, digits and function keys.
struct NamedKey {
    int qtKey;
    int keyCode;
};
constexpr NamedKey kNamedKeys[] = {
    {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},      {Qt::Key_Return, 13},   {Qt::Key_Enter, 13},
    {Qt::Key_Shift, 16},    {Qt::Key_Control, 17}, {Qt::Key_Alt, 18},      {Qt::Key_Escape, 27},
    {Qt::Key_Space, 32},    {Qt::Key_PageUp, 33},  {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},
    {Qt::Key_Home, 36},     {Qt::Key_Left, 37},    {Qt::Key_Up, 38},       {Qt::Key_Right, 39},
    {Qt::Key_Down, 40},     {Qt::Key_Insert, 45},  {Qt::Key_Delete, 46},   {Qt::Key_Menu, 93},
};

int ButtonCode(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return kLeftButton;
        case Qt::RightButton:
            return kRightButton;
        case Qt::MiddleButton:
            return kMiddleButton;
        default:
            return 0;
    }
}

int ShiftMask(Qt::KeyboardModifiers modifiers) {
    int shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= kShiftMask;
    if (modifiers & Qt::ControlModifier)
        shift |= kCtrlMask;
    if (modifiers & Qt::AltModifier)
        shift |= kAltMask;
    return shift;
}

}  // namespace

TreeView::TreeView(TreeControl& tree, ImageList images, QWidget* parent)
    : QTreeView(parent),
      tree_(tree),
      model_(new TreeModel(tree, std::move(images), this)),
      observer_(std::make_unique<ControlObserver>(*this)) {
    setModel(model_);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Text edits start only when the program asks for one.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Right presses and releases reach the mouse handlers; the program shows its own menu.
    setContextMenuPolicy(Qt::PreventContextMenu);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TreeView::view_currentChanged);
    connect(this, &QTreeView::expanded, this,
            [this](const QModelIndex& index) { view_expandedChanged(index, true); });
    connect(this, &QTreeView::collapsed, this,
            [this](const QModelIndex& index) { view_expandedChanged(index, false); });

    tree_.addObserver(observer_.get());
    setEnabled(tree_.enabled());
    for (TreeNode* node : tree_.nodes()) {
        if (node->expanded())
            control_expandedChanged(node);
    }
    control_selectionChanged(tree_.selectedNode());
}

TreeView::~TreeView() {
    tree_.removeObserver(observer_.get());
}

int TreeView::KeyCode(int qtKey) {
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return kKeyF2 - 1 + (qtKey - Qt::Key_F1);
    // Letters and digits have their upper-case character's code in both vocabularies.
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return qtKey;
    for (const NamedKey& key : kNamedKeys) {
        if (key.qtKey == qtKey)
            return key.keyCode;
    }
    return 0;
}

void TreeView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        setFocus(Qt::MouseFocusReason);
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
}

void TreeView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton)
        event->accept();
    else
        QTreeView::mouseReleaseEvent(event);
    const QPoint pos = event->position().toPoint();
    TreeMouseRelease release;
    release.button = ButtonCode(event->button());
    release.shift = ShiftMask(event->modifiers());
    release.x = pos.x();
    release.y = pos.y();
    release.nodeUnderPointer = model_->nodeOf(indexAt(pos));
    emit MouseUp(release);
}

void TreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit DblClick();
}

void TreeView::keyPressEvent(QKeyEvent* event) {
    const int keyCode = KeyCode(event->key());
    const int shift = ShiftMask(event->modifiers());
    emit KeyDown(keyCode, shift);
    if (keyCode == kKeyApps || (keyCode == kKeyF10 && shift == kShiftMask)) {
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void TreeView::keyReleaseEvent(QKeyEvent* event) {
    QTreeView::keyReleaseEvent(event);
    if (!event->isAutoRepeat())
        emit KeyUp(KeyCode(event->key()), ShiftMask(event->modifiers()));
}

void TreeView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    QTreeView::closeEditor(editor, hint);
    // A committed edit has ended through the model (setData); one closed without (Esc) is
    // abandoned.
    if (tree_.labelEditNode() != nullptr)
        tree_.abandonLabelEdit();
}

void TreeView::control_expandedChanged(TreeNode* node) {
    const bool flag = applying_;
    applying_ = true;
    setExpanded(model_->indexOf(node), node->expanded());
    applying_ = flag;
}

void TreeView::control_selectionChanged(TreeNode* selected) {
    const bool flag = applying_;
    applying_ = true;
    const QModelIndex index = model_->indexOf(selected);
    if (index.isValid()) {
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    } else {
        selectionModel()->clearSelection();
        selectionModel()->clearCurrentIndex();
    }
    applying_ = flag;
}

void TreeView::control_labelEditRequested(TreeNode* node) {
    const QModelIndex index = model_->indexOf(node);
    // Scrolling to an item inside a collapsed node would expand it behind the control's back.
    bool shown = true;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        shown = shown && isExpanded(parent);
    if (shown)
        scrollTo(index);
    if (!edit(index, QAbstractItemView::AllEditTriggers, nullptr))
        tree_.abandonLabelEdit();
}

void TreeView::control_enabledChanged(bool enabled) {
    // A disabled widget hands the keyboard focus on to the next control of its window (a check
    // run disables the tree for its length, a scheduled one too); it comes back when the tree is
    // enabled again, unless the user has put it somewhere else meanwhile. The window's own focus
    // widget is looked at, so this holds while the window is hidden or inactive as well.
    if (!enabled) {
        const bool hadFocus = window()->focusWidget() == this;
        setEnabled(false);
        if (hadFocus) {
            focusHandedOn_ = true;
            focusTakenBy_ = window()->focusWidget();
        }
        return;
    }
    setEnabled(true);
    if (focusHandedOn_ && window()->focusWidget() == focusTakenBy_.data())
        setFocus(Qt::OtherFocusReason);
    focusHandedOn_ = false;
    focusTakenBy_ = nullptr;
}

void TreeView::view_currentChanged(const QModelIndex& current) {
    // While the model changes, the selection model moves its current item off removed rows by
    // itself; the control announces its own selection once the change is done.
    if (applying_ || model_->changing())
        return;
    (void)tree_.setSelectedNode(model_->nodeOf(current));
}

void TreeView::view_expandedChanged(const QModelIndex& index, bool expanded) {
    if (applying_ || model_->changing())
        return;
    if (TreeNode* node = model_->nodeOf(index))
        node->setExpanded(expanded);
}

}  // namespace vellorin
