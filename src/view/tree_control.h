#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vellorin {

class TreeControl;

// Image positions in the trees' image list imlTreeview.
constexpr int kImageNone = 0;
constexpr int kImageSource = 1;
constexpr int kImageUnread = 2;
constexpr int kImageRead = 3;
constexpr int kImageManagerSource = 4;

// The vocabulary of the tree's user events, as the Qt view reports them to the handlers.
constexpr int kKeyReturn = 13;
constexpr int kKeyDelete = 46;
constexpr int kKeyApps = 93;  // the context menu key
constexpr int kKeyF2 = 113;
constexpr int kKeyF10 = 121;
constexpr int kLeftButton = 1;
constexpr int kRightButton = 2;
constexpr int kMiddleButton = 4;
constexpr int kShiftMask = 1;
constexpr int kCtrlMask = 2;
constexpr int kAltMask = 4;

// One node of a TreeControl. Nodes are created and destroyed only by their tree and keep their
// address for as long as they are in it, so a TreeNode* stays valid until the node (or an
// ancestor) is removed or the tree is cleared. The setters report the change to the tree's
// observers; setting a value equal to the current one reports nothing.
class TreeNode {
public:
    TreeNode(const TreeNode&) = delete;
    TreeNode& operator=(const TreeNode&) = delete;

    // Empty when the node has no key.
    const std::string& key() const { return key_; }
    const std::string& text() const { return text_; }
    const std::string& tag() const { return tag_; }
    int image() const { return image_; }
    // kImageNone when none was given (the view then shows image()).
    int selectedImage() const { return selectedImage_; }
    bool bold() const { return bold_; }
    bool expanded() const { return expanded_; }
    // Null for a top-level node.
    TreeNode* parent() const;
    // Position among the node's siblings (0-based), kept up to date by the tree.
    int row() const { return static_cast<int>(row_); }
    int childCount() const { return static_cast<int>(children_.size()); }
    // Null when `row` is out of range.
    TreeNode* child(int row) const;
    TreeControl& tree() const { return *tree_; }

    // A top-level node of a sorted tree moves to its place in the text order.
    void setText(std::string text);
    void setTag(std::string tag);
    void setImage(int image);
    void setSelectedImage(int image);
    void setBold(bool bold);
    void setExpanded(bool expanded);

private:
    friend class TreeControl;
    TreeNode(TreeControl* tree, TreeNode* parent, std::string key, std::string text, int image,
             int selectedImage);

    TreeControl* tree_;
    TreeNode* parent_;  // the tree's invisible root for top-level nodes
    std::vector<std::unique_ptr<TreeNode>> children_;
    std::string key_;
    std::string text_;
    std::string tag_;
    std::uint32_t row_ = 0;
    int image_;
    int selectedImage_;
    bool bold_ = false;
    bool expanded_ = false;
};

// Which field of a node changed (TreeObserver::nodeChanged).
enum class NodeField { Text, Tag, Image, SelectedImage, Bold, Expanded };

// Receives every change of a TreeControl, shaped for a QAbstractItemModel adapter: each
// about-to/done pair maps onto begin/end{Insert,Remove}Rows, {begin,end}ResetModel and
// layout{AboutToBe,}Changed. A parent of null means the top level. Rows are 0-based and refer to
// the state before the change for the about-to calls and after it for the others. Observers must
// not change the tree from inside a callback.
class TreeObserver {
public:
    virtual ~TreeObserver() = default;

    virtual void nodesAboutToBeInserted(TreeNode* /*parent*/, int /*first*/, int /*last*/) {}
    virtual void nodesInserted(TreeNode* /*parent*/, int /*first*/, int /*last*/) {}
    // The nodes and their descendants still exist during this call.
    virtual void nodesAboutToBeRemoved(TreeNode* /*parent*/, int /*first*/, int /*last*/) {}
    virtual void nodesRemoved(TreeNode* /*parent*/, int /*first*/, int /*last*/) {}
    virtual void nodeChanged(TreeNode* /*node*/, NodeField /*field*/) {}
    // Clear: every node goes.
    virtual void treeAboutToBeReset() {}
    virtual void treeReset() {}
    // Sorting reorders top-level nodes; no node is created or destroyed.
    virtual void layoutAboutToBeChanged() {}
    virtual void layoutChanged() {}
    // View state, not model data.
    virtual void selectionChanged(TreeNode* /*selected*/) {}
    virtual void enabledChanged(bool /*enabled*/) {}
    // The program asks the view to open the text editor on this node.
    virtual void labelEditRequested(TreeNode* /*node*/) {}
};

// A mouse button released over the tree, as the view reports it. The view does the hit test:
// nodeUnderPointer is the node at (x, y), or null when there is none.
struct TreeMouseRelease {
    int button = 0;  // kLeftButton, kRightButton, kMiddleButton
    int shift = 0;   // kShiftMask | kCtrlMask | kAltMask
    int x = 0;
    int y = 0;
    TreeNode* nodeUnderPointer = nullptr;
};

// A finished text edit, handed to the label-edit handler. During the handler the node still
// shows its old text; setting `cancel` keeps it.
struct LabelEdit {
    TreeNode* node = nullptr;
    std::string newText;
    bool cancel = false;
};

// A tree of nodes without any GUI: the model behind tvMessages and tvSources. Top-level nodes are
// kept in text order while sorted() is on (ASCII letters compared without regard to case, other
// bytes by value; equal texts keep the order in which they came); children always keep the order
// in which they were added. Keys are unique among keyed nodes and found through a hash map.
// Not thread-safe: used from the one thread that drives the core.
class TreeControl {
public:
    // `name` is the control's name ("tvMessages", "tvSources").
    explicit TreeControl(std::string name);
    ~TreeControl();
    TreeControl(const TreeControl&) = delete;
    TreeControl& operator=(const TreeControl&) = delete;

    const std::string& name() const { return name_; }

    // Observers are borrowed and must be removed before they are destroyed.
    void addObserver(TreeObserver* observer);
    void removeObserver(TreeObserver* observer);

    // Removes every node; no node is selected afterwards.
    void clear();

    // Adds a top-level node (at its place in the text order while sorted, else last). An empty
    // key means none. Gives the new node, or null when another node already has `key`.
    TreeNode* addRoot(std::string key, std::string text, int image, int selectedImage = kImageNone);
    // Adds a node as the last child of the node with key `parentKey`. Gives the new node, or null
    // when no node has `parentKey` or another node already has `key`.
    TreeNode* addChild(std::string_view parentKey, std::string key, std::string text, int image,
                       int selectedImage = kImageNone);
    // The same, under a node of this tree that the caller already holds.
    TreeNode* addChild(TreeNode& parent, std::string key, std::string text, int image,
                       int selectedImage = kImageNone);

    // Null when no node has `key` (an empty key finds nothing).
    TreeNode* findNode(std::string_view key) const;

    // Removes the node with all its descendants; their pointers become invalid. A removed
    // selection leaves no node selected. False when `node` is null or not in this tree.
    bool remove(TreeNode* node);

    // All nodes, top-level and children.
    std::size_t count() const { return count_; }
    // The node at a 1-based `index` of the tree order (each node followed by its descendants,
    // top-level nodes in their order), or null outside 1..count(). After a change of the tree's
    // structure the first call takes time proportional to count(); later calls take constant time.
    TreeNode* nodeAt(std::size_t index) const;
    // All nodes in tree order; valid until the tree's structure changes.
    const std::vector<TreeNode*>& nodes() const;

    int topLevelCount() const { return root_.childCount(); }
    TreeNode* topLevelNode(int row) const { return root_.child(row); }

    bool sorted() const { return sorted_; }
    // Switching sorting on puts the top-level nodes into text order.
    void setSorted(bool sorted);

    // Null when no node is selected.
    TreeNode* selectedNode() const { return selected_; }
    // Selects a node of this tree, or nothing with null. False (and no change) for a node of
    // another tree.
    bool setSelectedNode(TreeNode* node);

    // Asks the view to edit the selected node's text. False when nothing is selected or the tree
    // is disabled. labelEditNode() tells which node was asked for until the edit ends.
    bool startLabelEdit();
    TreeNode* labelEditNode() const { return editing_; }
    // Ends a text edit of `node`: runs `handler` (when given) while the node still shows its old
    // text; unless the handler cancels, the node takes the new text. Observers hear of the text in
    // either case, so a view that showed the edited text shows the right one again. Gives whether
    // the new text was taken.
    bool finishLabelEdit(TreeNode& node, std::string newText,
                         const std::function<void(LabelEdit&)>& handler);
    // The user abandoned the edit (Esc): nothing changes.
    void abandonLabelEdit() { editing_ = nullptr; }

    // A disabled tree takes no user input; the view greys it out.
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);

private:
    friend class TreeNode;

    TreeNode* insertNode(TreeNode& parent, std::string key, std::string text, int image,
                         int selectedImage);
    // Position for a new top-level node with `text` in a sorted tree: after every equal text.
    std::size_t sortedPosition(std::string_view text) const;
    void sortTopLevel();
    void renumber(TreeNode& parent, std::size_t from);
    void topLevelTextChanged(TreeNode& node);
    bool owns(const TreeNode* node) const;
    void notifyChanged(TreeNode* node, NodeField field);

    template <typename F>
    void notify(F&& call) {
        for (TreeObserver* o : observers_)
            call(*o);
    }

    std::string name_;
    TreeNode root_;  // invisible; its children are the top-level nodes
    std::unordered_map<std::string_view, TreeNode*> byKey_;  // views into the nodes' own keys
    std::vector<TreeObserver*> observers_;
    std::size_t count_ = 0;
    TreeNode* selected_ = nullptr;
    TreeNode* editing_ = nullptr;
    TreeNode* finishing_ = nullptr;  // the node of a finishLabelEdit in progress
    bool sorted_ = false;
    bool enabled_ = true;
    mutable std::vector<TreeNode*> order_;
    mutable bool orderValid_ = true;
};

}  // namespace vellorin
