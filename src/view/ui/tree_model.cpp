#include "view/ui/tree_model.h"

#include <QFont>

#include <string>
#include <utility>

namespace vellorin {
namespace {

QString ToQString(const std::string& text) {
    return QString::fromStdString(text);
}

QFont BoldFont() {
    // Only the weight is set, so the view resolves everything else from its own font.
    QFont font;
    font.setBold(true);
    return font;
}

}  // namespace

TreeModel::TreeModel(TreeControl& tree, ImageList images, QObject* parent)
    : QAbstractItemModel(parent), tree_(tree), images_(std::move(images)) {
    tree_.addObserver(this);
}

TreeModel::~TreeModel() {
    tree_.removeObserver(this);
}

TreeNode* TreeModel::nodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<TreeNode*>(index.internalPointer()) : nullptr;
}

QModelIndex TreeModel::indexOf(const TreeNode* node) const {
    if (node == nullptr)
        return {};
    return createIndex(node->row(), 0, const_cast<TreeNode*>(node));
}

void TreeModel::setLabelEditHandler(std::function<void(LabelEdit&)> handler) {
    labelEditHandler_ = std::move(handler);
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || parent.column() > 0)
        return {};
    const TreeNode* parentNode = nodeOf(parent);
    TreeNode* node = parentNode ? parentNode->child(row) : tree_.topLevelNode(row);
    return node ? createIndex(row, 0, node) : QModelIndex();
}

QModelIndex TreeModel::parent(const QModelIndex& child) const {
    const TreeNode* node = nodeOf(child);
    return node ? indexOf(node->parent()) : QModelIndex();
}

int TreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0)
        return 0;
    const TreeNode* node = nodeOf(parent);
    return node ? node->childCount() : tree_.topLevelCount();
}

int TreeModel::columnCount(const QModelIndex& /*parent*/) const {
    return 1;
}

QVariant TreeModel::data(const QModelIndex& index, int role) const {
    const TreeNode* node = nodeOf(index);
    if (node == nullptr)
        return {};
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
        // The whole title, for one too long for the pane.
        case Qt::ToolTipRole:
            return ToQString(node->text());
        case Qt::DecorationRole: {
            const QIcon icon = images_.picture(node->image(), node->selectedImage());
            return icon.isNull() ? QVariant() : QVariant(icon);
        }
        case Qt::FontRole:
            return node->bold() ? QVariant(BoldFont()) : QVariant();
        case TagRole:
            return ToQString(node->tag());
        case KeyRole:
            return ToQString(node->key());
        case ImageRole:
            return node->image();
        default:
            return {};
    }
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool TreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    TreeNode* node = nodeOf(index);
    if (node == nullptr || role != Qt::EditRole)
        return false;
    // The node's text change is announced by the control, which emits dataChanged.
    return tree_.finishLabelEdit(*node, value.toString().toStdString(), labelEditHandler_);
}

void TreeModel::nodesAboutToBeInserted(TreeNode* parent, int first, int last) {
    changing_ = true;
    beginInsertRows(indexOf(parent), first, last);
}

void TreeModel::nodesInserted(TreeNode* /*parent*/, int /*first*/, int /*last*/) {
    endInsertRows();
    changing_ = false;
}

void TreeModel::nodesAboutToBeRemoved(TreeNode* parent, int first, int last) {
    changing_ = true;
    beginRemoveRows(indexOf(parent), first, last);
}

void TreeModel::nodesRemoved(TreeNode* /*parent*/, int /*first*/, int /*last*/) {
    endRemoveRows();
    changing_ = false;
}

void TreeModel::nodeChanged(TreeNode* node, NodeField field) {
    QList<int> roles;
    switch (field) {
        case NodeField::Text:
            roles = {Qt::DisplayRole, Qt::EditRole, Qt::ToolTipRole};
            break;
        case NodeField::Tag:
            roles = {TagRole};
            break;
        case NodeField::Image:
            roles = {Qt::DecorationRole, ImageRole};
            break;
        case NodeField::SelectedImage:
            roles = {Qt::DecorationRole};
            break;
        case NodeField::Bold:
            roles = {Qt::FontRole};
            break;
        case NodeField::Expanded:
            // View state: the view follows it, the items' data is unchanged.
            return;
    }
    const QModelIndex index = indexOf(node);
    emit dataChanged(index, index, roles);
}

void TreeModel::treeAboutToBeReset() {
    changing_ = true;
    beginResetModel();
}

void TreeModel::treeReset() {
    endResetModel();
    changing_ = false;
}

void TreeModel::layoutAboutToBeChanged() {
    changing_ = true;
    emit QAbstractItemModel::layoutAboutToBeChanged();
    layoutIndexes_ = persistentIndexList();
    layoutNodes_.clear();
    layoutNodes_.reserve(layoutIndexes_.size());
    for (const QModelIndex& index : std::as_const(layoutIndexes_))
        layoutNodes_.append(nodeOf(index));
}

void TreeModel::layoutChanged() {
    QModelIndexList moved;
    moved.reserve(layoutNodes_.size());
    for (const TreeNode* node : std::as_const(layoutNodes_))
        moved.append(indexOf(node));
    changePersistentIndexList(layoutIndexes_, moved);
    layoutIndexes_.clear();
    layoutNodes_.clear();
    emit QAbstractItemModel::layoutChanged();
    changing_ = false;
}

}  // namespace vellorin
