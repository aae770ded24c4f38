#pragma once

#include <QWidget>

#include <memory>
#include <optional>
#include <unordered_set>

#include "view/message_search.h"
#include "view/tree_place.h"

class QLineEdit;
class QTimer;

namespace vellorin {

class AppContext;
class TreeControl;
class TreeNode;
class TreeView;

// The search field above the message tree (txtSearch, "Search messages"). While it holds a word,
// the tree shows only the messages that MessageSearch finds for it, under their sources, which
// are expanded; sources without a match are hidden. Emptying it (Esc does) brings back the tree
// as it was when the search began: every source's expanded flag and the selection. A change of
// the tree while a search is shown (a check run, a reload) is searched again once the change is
// done. The tree's view is borrowed and must outlive the bar.
class MessageSearchBar : public QWidget {
    Q_OBJECT

public:
    MessageSearchBar(AppContext& context, TreeView& view, QWidget* parent = nullptr);
    ~MessageSearchBar() override;

    QLineEdit* txtSearch() const { return txtSearch_; }
    // True while a search is shown.
    bool searching() const { return place_.has_value(); }
    // Whether the tree shows `node` (always, without a search).
    bool isShown(const TreeNode& node) const;
    // What the status bar says of the search shown: "3 messages match", "1 message matches",
    // "No messages match"; empty without a search.
    QString statusText() const { return statusText_; }

    // Ctrl+K: the keyboard focus to the field, its text selected.
    void focusSearch();

signals:
    // The status text changed (empty when the search ended).
    void matchesChanged(const QString& statusText);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class TreeWatch;

    void applySearch();
    void endSearch();
    void showOnly();

    TreeView& view_;
    TreeControl& tree_;
    MessageSearch search_;
    QLineEdit* txtSearch_ = nullptr;
    QTimer* again_ = nullptr;
    std::unique_ptr<TreeWatch> watch_;
    std::optional<TreePlace> place_;
    std::unordered_set<const TreeNode*> matches_;
    QString statusText_;
};

}  // namespace vellorin
