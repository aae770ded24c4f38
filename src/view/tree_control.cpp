#include "view/tree_control.h"

#include <algorithm>
#include <utility>

namespace vellorin {
namespace {

unsigned char FoldAscii(char c) {
    auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

// The sort order of top-level nodes. Only ASCII letters are folded, so that the order is the
// same for every locale and UTF-8 sequences compare by code point.
bool TextLess(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return FoldAscii(x) < FoldAscii(y); });
}

bool NodeLess(const std::unique_ptr<TreeNode>& a, const std::unique_ptr<TreeNode>& b) {
    return TextLess(a->text(), b->text());
}

}  // namespace

// ---------------------------------------------------------------- TreeNode

TreeNode::TreeNode(TreeControl* tree, TreeNode* parent, std::string key, std::string text,
                   int image, int selectedImage)
    : tree_(tree),
      parent_(parent),
      key_(std::move(key)),
      text_(std::move(text)),
      image_(image),
      selectedImage_(selectedImage) {}

TreeNode* TreeNode::parent() const {
    return parent_ == &tree_->root_ ? nullptr : parent_;
}

TreeNode* TreeNode::child(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= children_.size())
        return nullptr;
    return children_[static_cast<std::size_t>(row)].get();
}

void TreeNode::setText(std::string text) {
    if (text == text_)
        return;
    text_ = std::move(text);
    tree_->notifyChanged(this, NodeField::Text);
    if (parent_ == &tree_->root_ && tree_->sorted_)
        tree_->topLevelTextChanged(*this);
}

void TreeNode::setTag(std::string tag) {
    if (tag == tag_)
        return;
    tag_ = std::move(tag);
    tree_->notifyChanged(this, NodeField::Tag);
}

void TreeNode::setImage(int image) {
    if (image == image_)
        return;
    image_ = image;
    tree_->notifyChanged(this, NodeField::Image);
}

void TreeNode::setSelectedImage(int image) {
    if (image == selectedImage_)
        return;
    selectedImage_ = image;
    tree_->notifyChanged(this, NodeField::SelectedImage);
}

void TreeNode::setBold(bool bold) {
    if (bold == bold_)
        return;
    bold_ = bold;
    tree_->notifyChanged(this, NodeField::Bold);
}

void TreeNode::setExpanded(bool expanded) {
    if (expanded == expanded_)
        return;
    expanded_ = expanded;
    tree_->notifyChanged(this, NodeField::Expanded);
}

// ---------------------------------------------------------------- TreeControl

TreeControl::TreeControl(std::string name)
    : name_(std::move(name)), root_(this, nullptr, {}, {}, kImageNone, kImageNone) {}

TreeControl::~TreeControl() = default;

void TreeControl::addObserver(TreeObserver* observer) {
    if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void TreeControl::removeObserver(TreeObserver* observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void TreeControl::clear() {
    bool hadSelection = selected_ != nullptr;
    notify([](TreeObserver& o) { o.treeAboutToBeReset(); });
    selected_ = nullptr;
    editing_ = nullptr;
    finishing_ = nullptr;
    byKey_.clear();
    root_.children_.clear();
    count_ = 0;
    order_.clear();
    orderValid_ = true;
    notify([](TreeObserver& o) { o.treeReset(); });
    if (hadSelection)
        notify([](TreeObserver& o) { o.selectionChanged(nullptr); });
}

TreeNode* TreeControl::addRoot(std::string key, std::string text, int image, int selectedImage) {
    return insertNode(root_, std::move(key), std::move(text), image, selectedImage);
}

TreeNode* TreeControl::addChild(std::string_view parentKey, std::string key, std::string text,
                                int image, int selectedImage) {
    TreeNode* parent = findNode(parentKey);
    if (!parent)
        return nullptr;
    return insertNode(*parent, std::move(key), std::move(text), image, selectedImage);
}

TreeNode* TreeControl::addChild(TreeNode& parent, std::string key, std::string text, int image,
                                int selectedImage) {
    if (!owns(&parent))
        return nullptr;
    return insertNode(parent, std::move(key), std::move(text), image, selectedImage);
}

TreeNode* TreeControl::insertNode(TreeNode& parent, std::string key, std::string text, int image,
                                  int selectedImage) {
    if (!key.empty() && byKey_.find(key) != byKey_.end())
        return nullptr;
    bool topLevel = &parent == &root_;
    std::size_t pos = (topLevel && sorted_) ? sortedPosition(text) : parent.children_.size();
    TreeNode* reported = topLevel ? nullptr : &parent;
    int row = static_cast<int>(pos);

    notify([&](TreeObserver& o) { o.nodesAboutToBeInserted(reported, row, row); });
    std::unique_ptr<TreeNode> made(
        new TreeNode(this, &parent, std::move(key), std::move(text), image, selectedImage));
    TreeNode* node = made.get();
    parent.children_.insert(parent.children_.begin() + static_cast<std::ptrdiff_t>(pos),
                            std::move(made));
    renumber(parent, pos);
    // The map's keys view the node's own string, which lives at a fixed address with the node.
    if (!node->key_.empty())
        byKey_.emplace(std::string_view(node->key_), node);
    ++count_;
    orderValid_ = false;
    notify([&](TreeObserver& o) { o.nodesInserted(reported, row, row); });
    return node;
}

TreeNode* TreeControl::findNode(std::string_view key) const {
    if (key.empty())
        return nullptr;
    auto it = byKey_.find(key);
    return it == byKey_.end() ? nullptr : it->second;
}

bool TreeControl::remove(TreeNode* node) {
    if (!node || !owns(node))
        return false;
    TreeNode& parent = *node->parent_;
    TreeNode* reported = &parent == &root_ ? nullptr : &parent;
    std::size_t pos = node->row_;
    int row = static_cast<int>(pos);

    notify([&](TreeObserver& o) { o.nodesAboutToBeRemoved(reported, row, row); });
    bool selectionLost = false;
    std::size_t removed = 0;
    std::vector<TreeNode*> pending{node};
    while (!pending.empty()) {
        TreeNode* n = pending.back();
        pending.pop_back();
        ++removed;
        if (!n->key_.empty())
            byKey_.erase(std::string_view(n->key_));
        if (n == selected_)
            selectionLost = true;
        if (n == editing_)
            editing_ = nullptr;
        if (n == finishing_)
            finishing_ = nullptr;
        for (auto& c : n->children_)
            pending.push_back(c.get());
    }
    if (selectionLost)
        selected_ = nullptr;
    std::unique_ptr<TreeNode> doomed = std::move(parent.children_[pos]);
    parent.children_.erase(parent.children_.begin() + static_cast<std::ptrdiff_t>(pos));
    renumber(parent, pos);
    count_ -= removed;
    orderValid_ = false;
    doomed.reset();
    notify([&](TreeObserver& o) { o.nodesRemoved(reported, row, row); });
    if (selectionLost)
        notify([](TreeObserver& o) { o.selectionChanged(nullptr); });
    return true;
}

TreeNode* TreeControl::nodeAt(std::size_t index) const {
    if (index == 0 || index > count_)
        return nullptr;
    return nodes()[index - 1];
}

const std::vector<TreeNode*>& TreeControl::nodes() const {
    if (orderValid_)
        return order_;
    order_.clear();
    order_.reserve(count_);
    std::vector<TreeNode*> pending;
    for (auto it = root_.children_.rbegin(); it != root_.children_.rend(); ++it)
        pending.push_back(it->get());
    while (!pending.empty()) {
        TreeNode* n = pending.back();
        pending.pop_back();
        order_.push_back(n);
        for (auto it = n->children_.rbegin(); it != n->children_.rend(); ++it)
            pending.push_back(it->get());
    }
    orderValid_ = true;
    return order_;
}

void TreeControl::setSorted(bool sorted) {
    if (sorted == sorted_)
        return;
    sorted_ = sorted;
    if (sorted_)
        sortTopLevel();
}

bool TreeControl::setSelectedNode(TreeNode* node) {
    if (node && !owns(node))
        return false;
    if (node == selected_)
        return true;
    selected_ = node;
    notify([&](TreeObserver& o) { o.selectionChanged(node); });
    return true;
}

bool TreeControl::startLabelEdit() {
    if (!selected_ || !enabled_)
        return false;
    editing_ = selected_;
    TreeNode* node = selected_;
    notify([&](TreeObserver& o) { o.labelEditRequested(node); });
    return true;
}

bool TreeControl::finishLabelEdit(TreeNode& node, std::string newText,
                                  const std::function<void(LabelEdit&)>& handler) {
    if (!owns(&node))
        return false;
    if (editing_ == &node)
        editing_ = nullptr;
    LabelEdit edit{&node, std::move(newText), false};
    // The handler may change the tree (its message box lets events run); remove() and clear()
    // drop finishing_ when they take the node away, and a node that is gone takes nothing.
    finishing_ = &node;
    if (handler)
        handler(edit);
    bool stillThere = finishing_ == &node;
    finishing_ = nullptr;
    if (!stillThere)
        return false;
    if (edit.cancel) {
        notifyChanged(&node, NodeField::Text);
        return false;
    }
    node.setText(std::move(edit.newText));
    return true;
}

void TreeControl::setEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    notify([&](TreeObserver& o) { o.enabledChanged(enabled); });
}

std::size_t TreeControl::sortedPosition(std::string_view text) const {
    auto it = std::upper_bound(root_.children_.begin(), root_.children_.end(), text,
                               [](std::string_view t, const std::unique_ptr<TreeNode>& n) {
                                   return TextLess(t, n->text());
                               });
    return static_cast<std::size_t>(it - root_.children_.begin());
}

void TreeControl::sortTopLevel() {
    auto& top = root_.children_;
    if (std::is_sorted(top.begin(), top.end(), NodeLess))
        return;
    notify([](TreeObserver& o) { o.layoutAboutToBeChanged(); });
    std::stable_sort(top.begin(), top.end(), NodeLess);
    renumber(root_, 0);
    orderValid_ = false;
    notify([](TreeObserver& o) { o.layoutChanged(); });
}

void TreeControl::topLevelTextChanged(TreeNode& node) {
    auto& top = root_.children_;
    std::size_t pos = node.row_;
    bool afterPrevious = pos == 0 || !TextLess(node.text_, top[pos - 1]->text_);
    bool beforeNext = pos + 1 == top.size() || !TextLess(top[pos + 1]->text_, node.text_);
    if (afterPrevious && beforeNext)
        return;

    notify([](TreeObserver& o) { o.layoutAboutToBeChanged(); });
    std::unique_ptr<TreeNode> moving = std::move(top[pos]);
    top.erase(top.begin() + static_cast<std::ptrdiff_t>(pos));
    std::size_t to = sortedPosition(moving->text_);
    top.insert(top.begin() + static_cast<std::ptrdiff_t>(to), std::move(moving));
    renumber(root_, std::min(pos, to));
    orderValid_ = false;
    notify([](TreeObserver& o) { o.layoutChanged(); });
}

void TreeControl::renumber(TreeNode& parent, std::size_t from) {
    for (std::size_t i = from; i < parent.children_.size(); ++i)
        parent.children_[i]->row_ = static_cast<std::uint32_t>(i);
}

bool TreeControl::owns(const TreeNode* node) const {
    return node && node->tree_ == this && node != &root_;
}

void TreeControl::notifyChanged(TreeNode* node, NodeField field) {
    notify([&](TreeObserver& o) { o.nodeChanged(node, field); });
}

}  // namespace vellorin
