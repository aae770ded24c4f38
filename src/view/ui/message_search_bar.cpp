#include "view/ui/message_search_bar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include "view/search_fold.h"
#include "view/tree_control.h"
#include "view/ui/tree_model.h"
#include "view/ui/tree_view.h"

namespace vellorin {

// Hears the tree's changes: new or rebuilt nodes are searched again once the change is done
// (observers must not change the tree, and the view must have taken the change in first).
class MessageSearchBar::TreeWatch : public TreeObserver {
public:
    explicit TreeWatch(MessageSearchBar& bar) : bar_(bar) {}

    void nodesInserted(TreeNode*, int, int) override { again(); }
    void nodesRemoved(TreeNode*, int, int) override { again(); }
    void treeReset() override { again(); }
    void layoutChanged() override { again(); }

private:
    void again() {
        if (bar_.searching())
            bar_.again_->start();
    }
    MessageSearchBar& bar_;
};

namespace {

bool IsSearchKey(const QKeyEvent* key) {
    return key->key() == Qt::Key_K && key->modifiers() == Qt::ControlModifier;
}

}  // namespace

MessageSearchBar::MessageSearchBar(AppContext& context, TreeView& view, QWidget* parent)
    : QWidget(parent),
      view_(view),
      tree_(view.tree()),
      search_(context),
      watch_(std::make_unique<TreeWatch>(*this)) {
    setObjectName(QStringLiteral("picSearch"));
    txtSearch_ = new QLineEdit(this);
    txtSearch_->setObjectName(QStringLiteral("txtSearch"));
    txtSearch_->setPlaceholderText(QStringLiteral("Search messages"));
    txtSearch_->setAccessibleName(QStringLiteral("Search messages"));
    txtSearch_->setAccessibleDescription(
        QStringLiteral("Shows only the messages whose title, sender or text holds every word "
                       "typed. Ctrl+K comes here; Esc clears it."));
    txtSearch_->installEventFilter(this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 2);
    layout->addWidget(txtSearch_);

    again_ = new QTimer(this);
    again_->setSingleShot(true);
    again_->setInterval(0);
    connect(again_, &QTimer::timeout, this, &MessageSearchBar::applySearch);
    connect(txtSearch_, &QLineEdit::textChanged, this, &MessageSearchBar::applySearch);
    tree_.addObserver(watch_.get());
}

MessageSearchBar::~MessageSearchBar() {
    tree_.removeObserver(watch_.get());
}

bool MessageSearchBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtSearch_) {
        const bool isKey =
            event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress;
        const auto* key = isKey ? static_cast<QKeyEvent*>(event) : nullptr;
        // Ctrl+K is the line editor's "delete to the end": leave it to the window's command.
        if (event->type() == QEvent::ShortcutOverride && IsSearchKey(key))
            return true;
        // The inboxes are read while the user has yet to type, so each key only scans.
        if (event->type() == QEvent::FocusIn)
            search_.prepare(tree_);
        if (event->type() == QEvent::KeyPress && key->key() == Qt::Key_Escape &&
            !txtSearch_->text().isEmpty()) {
            txtSearch_->clear();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MessageSearchBar::focusSearch() {
    txtSearch_->setFocus(Qt::ShortcutFocusReason);
    txtSearch_->selectAll();
}

bool MessageSearchBar::isShown(const TreeNode& node) const {
    if (!searching())
        return true;
    if (node.parent() == nullptr) {
        for (int i = 0; i < node.childCount(); ++i) {
            if (matches_.count(node.child(i)) != 0)
                return true;
        }
        return false;
    }
    return matches_.count(&node) != 0;
}

void MessageSearchBar::applySearch() {
    const std::string query = txtSearch_->text().toStdString();
    if (SearchWords(query).empty()) {
        endSearch();
        return;
    }
    TreeControl& tree = tree_;
    if (!place_)
        place_ = TreePlace::Capture(tree);
    const std::vector<TreeNode*> found = search_.find(tree, query);
    matches_ = std::unordered_set<const TreeNode*>(found.begin(), found.end());
    showOnly();
    const auto count = static_cast<int>(found.size());
    statusText_ = count == 0   ? QStringLiteral("No messages match")
                  : count == 1 ? QStringLiteral("1 message matches")
                               : QStringLiteral("%1 messages match").arg(count);
    emit matchesChanged(statusText_);
}

void MessageSearchBar::showOnly() {
    TreeControl& tree = tree_;
    const TreeModel& model = view_.treeModel();
    for (int row = 0; row < tree.topLevelCount(); ++row) {
        TreeNode* source = tree.topLevelNode(row);
        const QModelIndex sourceIndex = model.indexOf(source);
        bool any = false;
        for (int i = 0; i < source->childCount(); ++i) {
            const bool shown = matches_.count(source->child(i)) != 0;
            view_.setRowHidden(i, sourceIndex, !shown);
            any = any || shown;
        }
        // A source shows expanded with its matches; one without is collapsed before it is
        // hidden, since the view does not keep the expanded state of a row it hides.
        source->setExpanded(any);
        view_.setRowHidden(row, QModelIndex(), !any);
    }
}

void MessageSearchBar::endSearch() {
    again_->stop();
    if (!place_)
        return;
    TreeControl& tree = tree_;
    const TreeModel& model = view_.treeModel();
    for (int row = 0; row < tree.topLevelCount(); ++row) {
        TreeNode* source = tree.topLevelNode(row);
        const QModelIndex sourceIndex = model.indexOf(source);
        for (int i = 0; i < source->childCount(); ++i)
            view_.setRowHidden(i, sourceIndex, false);
        view_.setRowHidden(row, QModelIndex(), false);
    }
    const TreePlace place = *place_;
    place_.reset();
    matches_.clear();
    place.Restore(tree);
    // The view shows each node's flag, whether Restore changed it or not.
    for (int row = 0; row < tree.topLevelCount(); ++row) {
        const TreeNode* source = tree.topLevelNode(row);
        view_.setExpanded(model.indexOf(source), source->expanded());
    }
    statusText_.clear();
    emit matchesChanged(statusText_);
}

}  // namespace vellorin
