#pragma once

#include <QAbstractItemModel>
#include <QList>
#include <QModelIndex>
#include <QPersistentModelIndex>

#include <functional>

#include "view/tree_control.h"
#include "view/ui/image_list.h"

namespace vellorin {

// The item model of a TreeControl, for a QTreeView: one column, one item per node. It follows the
// control's notifications one to one (insertions, removals, resets, sorting, field changes) and
// keeps no copy of the nodes: an index's internal pointer is its TreeNode. The control is borrowed
// and must outlive the model.
//
// Roles: Display, Edit and ToolTip give the text (the tip shows a title too long for the pane
// whole), Decoration the picture of the node's image (the selected
// image while selected), Font a bold font for a bold node (nothing otherwise, so the view's font
// stays), TagRole the tag, KeyRole the key, ImageRole the image position.
class TreeModel : public QAbstractItemModel, private TreeObserver {
    Q_OBJECT

public:
    enum Role { TagRole = Qt::UserRole, KeyRole, ImageRole };

    TreeModel(TreeControl& tree, ImageList images, QObject* parent = nullptr);
    ~TreeModel() override;

    TreeControl& tree() const { return tree_; }
    // The node of `index`; null for the invalid index (the top level).
    TreeNode* nodeOf(const QModelIndex& index) const;
    // The index of `node`; the invalid index for null.
    QModelIndex indexOf(const TreeNode* node) const;
    // True from the control's announcement of a structural change until the change is done, while
    // views and selection models adjust; a view must not push its state into the control then.
    bool changing() const { return changing_; }

    // Called by setData with the edit while the node still shows its old text (see
    // TreeControl::finishLabelEdit); it may cancel. Without one every edit is taken.
    void setLabelEditHandler(std::function<void(LabelEdit&)> handler);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // An Edit of the text ends the node's text edit through the label-edit handler; true when the
    // node took the new text. Other roles are read-only.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    void nodesAboutToBeInserted(TreeNode* parent, int first, int last) override;
    void nodesInserted(TreeNode* parent, int first, int last) override;
    void nodesAboutToBeRemoved(TreeNode* parent, int first, int last) override;
    void nodesRemoved(TreeNode* parent, int first, int last) override;
    void nodeChanged(TreeNode* node, NodeField field) override;
    void treeAboutToBeReset() override;
    void treeReset() override;
    void layoutAboutToBeChanged() override;
    void layoutChanged() override;

    TreeControl& tree_;
    ImageList images_;
    std::function<void(LabelEdit&)> labelEditHandler_;
    // The persistent indexes across a sort, with their nodes (which a sort keeps).
    QModelIndexList layoutIndexes_;
    QList<TreeNode*> layoutNodes_;
    bool changing_ = false;
};

}  // namespace vellorin
