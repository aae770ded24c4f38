#include "view/tree_control.h"

#include <gtest/gtest.h>

#include "view/message_node.h"
#include "view/unread_count.h"

namespace vellorin {
namespace {

using Lines = std::vector<std::string>;

Lines TopLevelTexts(const TreeControl& tree) {
    Lines out;
    for (int r = 0; r < tree.topLevelCount(); ++r)
        out.push_back(tree.topLevelNode(r)->text());
    return out;
}

// Writes every notification as one line; a "?" marks an about-to call.
class Log : public TreeObserver {
public:
    explicit Log(TreeControl& tree) : tree_(tree) { tree_.addObserver(this); }
    ~Log() override { tree_.removeObserver(this); }
    Lines take() { return std::exchange(lines_, {}); }

    void nodesAboutToBeInserted(TreeNode* p, int f, int l) override { add("insert?", p, f, l); }
    void nodesInserted(TreeNode* p, int f, int l) override { add("inserted", p, f, l); }
    void nodesAboutToBeRemoved(TreeNode* p, int f, int l) override { add("remove?", p, f, l); }
    void nodesRemoved(TreeNode* p, int f, int l) override { add("removed", p, f, l); }
    void treeAboutToBeReset() override { lines_.push_back("reset?"); }
    void treeReset() override { lines_.push_back("reset"); }
    void layoutAboutToBeChanged() override { lines_.push_back("layout?"); }
    void layoutChanged() override { lines_.push_back("layout"); }
    void nodeChanged(TreeNode* n, NodeField f) override {
        lines_.push_back("changed " + name(n) + " " + std::to_string(static_cast<int>(f)));
    }
    void selectionChanged(TreeNode* n) override { lines_.push_back("selected " + name(n)); }
    void enabledChanged(bool e) override { lines_.push_back(e ? "enabled" : "disabled"); }
    void labelEditRequested(TreeNode* n) override { lines_.push_back("edit " + name(n)); }

private:
    static std::string name(const TreeNode* n) { return n ? n->text() : "top"; }
    void add(const char* what, TreeNode* p, int f, int l) {
        lines_.push_back(std::string(what) + " " + name(p) + " " + std::to_string(f) + "-" +
                         std::to_string(l));
    }

    TreeControl& tree_;
    Lines lines_;
};

TEST(TreeControlTest, TakenKeysMissingParentsAndForeignNodesAreRefusedWithoutATrace) {
    TreeControl tree("tvMessages"), other("tvSources");
    tree.addRoot("ID-A", "Alpha", kImageSource);
    TreeNode* foreign = other.addRoot("s", "S", kImageSource);
    Log log(tree);
    EXPECT_EQ(tree.addRoot("ID-A", "Other", kImageSource), nullptr);
    EXPECT_EQ(tree.addChild("ID-A", "ID-A", "Other", kImageUnread), nullptr);
    EXPECT_EQ(tree.addChild("NO-SUCH", "", "orphan", kImageUnread), nullptr);
    EXPECT_FALSE(tree.setSelectedNode(foreign));
    EXPECT_EQ(tree.addChild(*foreign, "", "x", kImageUnread), nullptr);
    EXPECT_FALSE(tree.remove(foreign));
    EXPECT_EQ(tree.count() + other.count(), 2u);
    EXPECT_TRUE(log.take().empty());
}

TEST(TreeControlTest, NotificationsComeInAdapterOrder) {
    TreeControl tree("tvSources");
    auto log = std::make_unique<Log>(tree);
    TreeNode* main = tree.addRoot("main", "Sources", kImageSource);
    main->setExpanded(true);
    TreeNode* a = tree.addChild("main", "a", "A", kImageManagerSource, kImageManagerSource);
    tree.addChild("main", "b", "B", kImageManagerSource, kImageManagerSource);
    a->setBold(true);
    a->setBold(true);  // no change, no notice
    a->setImage(kImageRead);
    tree.setSelectedNode(a);
    tree.setSelectedNode(a);
    tree.setEnabled(false);
    tree.setEnabled(false);
    tree.setEnabled(true);
    tree.remove(a);
    tree.clear();
    EXPECT_EQ(
        log->take(),
        (Lines{"insert? top 0-0", "inserted top 0-0", "changed Sources 5", "insert? Sources 0-0",
               "inserted Sources 0-0", "insert? Sources 1-1", "inserted Sources 1-1", "changed A 4",
               "changed A 2", "selected A", "disabled", "enabled", "remove? Sources 0-0",
               "removed Sources 0-0", "selected top", "reset?", "reset"}));

    // Sorted: ASCII letters in either case, other bytes by value, ties as they came; renames move.
    for (const char* t : {"b", "D", "\xc3\x84", "a", "B"})
        tree.addRoot(t, t, kImageSource);
    log->take();
    tree.setSorted(true);
    EXPECT_EQ(TopLevelTexts(tree), (Lines{"a", "b", "B", "D", "\xc3\x84"}));
    tree.addRoot("c", "c", kImageSource);
    tree.findNode("b")->setText("e");
    tree.findNode("b")->setText("E");  // still in place: no layout change
    tree.setSorted(false);
    tree.findNode("a")->setText("z");
    EXPECT_EQ(TopLevelTexts(tree), (Lines{"z", "B", "c", "D", "E", "\xc3\x84"}));
    EXPECT_EQ(log->take(),
              (Lines{"layout?", "layout", "insert? top 3-3", "inserted top 3-3", "changed e 0",
                     "layout?", "layout", "changed E 0", "changed z 0"}));
    log.reset();  // a removed observer hears nothing
    tree.addRoot("", "unheard", kImageSource);
}

TEST(UnreadCountTest, BadgeAndTipTexts) {
    const std::tuple<int, int, const char*, const char*> cases[] = {
        {0, 0, "", "No unread messages"},
        {1, 1, "1", "1 unread message in 1 source"},
        {5, 2, "5", "5 unread messages in 2 sources"},
        {99, 3, "99", "99 unread messages in 3 sources"},
        {100, 1, "99+", "100 unread messages in 1 source"}};
    for (const auto& [messages, sources, badge, tip] : cases) {
        EXPECT_EQ(UnreadBadgeText(messages), badge);
        EXPECT_EQ(UnreadTipText({messages, sources}), tip);
    }
}

TEST(UnreadCountTest, FollowsTheTreeAndReportsOnlyChanges) {
    TreeControl tree("tvMessages");
    TreeNode* a = tree.addRoot("A", "Alpha", kImageSource);
    tree.addChild(*a, "", "a1", kImageUnread);
    UnreadCounter counter(tree);
    int reports = 0;
    counter.setChanged([&] { ++reports; });
    EXPECT_EQ(counter.count(), (UnreadCount{1, 1}));

    TreeNode* b = tree.addRoot("B", "Bravo", kImageSource);
    EXPECT_EQ(reports, 0);  // a source without messages changes nothing
    TreeNode* b1 = tree.addChild(*b, "", "b1", kImageUnread);
    TreeNode* b2 = tree.addChild(*b, "", "b2", kImageRead);
    EXPECT_EQ(counter.count(), (UnreadCount{2, 2}));
    EXPECT_EQ(reports, 1);
    ShowNodeAsUnread(*b2);
    EXPECT_EQ(counter.count(), (UnreadCount{3, 2}));
    ShowNodeAsRead(*b1);
    ShowNodeAsRead(*b1);  // no change, no report
    EXPECT_EQ(counter.count(), (UnreadCount{2, 2}));
    EXPECT_EQ(reports, 3);
    ASSERT_TRUE(tree.remove(b2));
    EXPECT_EQ(counter.count(), (UnreadCount{1, 1}));
    ASSERT_TRUE(tree.remove(a));
    EXPECT_EQ(counter.count(), (UnreadCount{0, 0}));
    ShowNodeAsUnread(*b1);
    EXPECT_EQ(counter.count(), (UnreadCount{1, 1}));
    tree.clear();
    EXPECT_EQ(counter.count(), (UnreadCount{0, 0}));
}

}  // namespace
}  // namespace vellorin
