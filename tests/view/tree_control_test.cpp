#include "view/tree_control.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace vellorin {
namespace {

using Lines = std::vector<std::string>;

Lines TopLevelTexts(const TreeControl& tree) {
    Lines out;
    for (int r = 0; r < tree.topLevelCount(); ++r)
        out.push_back(tree.topLevelNode(r)->text());
    return out;
}

// Writes every notification as one line, and mirrors the tree from the notifications alone, the
// way an item model adapter must, checking at each one that the tree is in the state it claims.
class Mirror : public TreeObserver {
public:
    explicit Mirror(TreeControl& tree) : tree_(tree) { tree_.addObserver(this); }
    ~Mirror() override { tree_.removeObserver(this); }
    Lines take() { return std::exchange(lines_, {}); }

    void nodesAboutToBeInserted(TreeNode* p, int f, int l) override {
        log("about-insert", p, f, l);
        EXPECT_EQ(f, l);
        EXPECT_LE(f, static_cast<int>(kids_[p].size()));
        EXPECT_EQ(rows(p), static_cast<int>(kids_[p].size()));
    }
    void nodesInserted(TreeNode* p, int f, int l) override {
        log("inserted", p, f, l);
        for (int r = f; r <= l; ++r) {
            ASSERT_NE(at(p, r), nullptr);
            EXPECT_EQ(at(p, r)->parent(), p);
            kids_[p].insert(kids_[p].begin() + r, at(p, r));
        }
        EXPECT_EQ(rows(p), static_cast<int>(kids_[p].size()));
    }
    void nodesAboutToBeRemoved(TreeNode* p, int f, int l) override {
        log("about-remove", p, f, l);
        ASSERT_LT(l, static_cast<int>(kids_[p].size()));
        for (int r = f; r <= l; ++r)
            EXPECT_EQ(at(p, r), kids_[p][static_cast<std::size_t>(r)]);
        pending_ = {p, f};
    }
    void nodesRemoved(TreeNode* p, int f, int l) override {
        log("removed", p, f, l);
        EXPECT_EQ(pending_, std::make_pair(p, f));
        for (int r = l; r >= f; --r) {
            forget(kids_[p][static_cast<std::size_t>(r)]);
            kids_[p].erase(kids_[p].begin() + r);
        }
        EXPECT_EQ(rows(p), static_cast<int>(kids_[p].size()));
    }
    void treeAboutToBeReset() override { lines_.push_back("about-reset"); }
    void treeReset() override {
        lines_.push_back("reset");
        kids_.clear();
        EXPECT_EQ(tree_.count(), 0u);
    }
    void layoutAboutToBeChanged() override {
        lines_.push_back("about-layout");
        before_ = kids_[nullptr];
    }
    void layoutChanged() override {
        lines_.push_back("layout");
        std::vector<TreeNode*> now;
        for (int r = 0; r < tree_.topLevelCount(); ++r)
            now.push_back(tree_.topLevelNode(r));
        EXPECT_EQ(std::multiset<TreeNode*>(before_.begin(), before_.end()),
                  std::multiset<TreeNode*>(now.begin(), now.end()));
        kids_[nullptr] = now;
    }
    void nodeChanged(TreeNode* n, NodeField f) override {
        lines_.push_back("changed " + name(n) + " " + std::to_string(static_cast<int>(f)));
    }
    void selectionChanged(TreeNode* n) override { lines_.push_back("selected " + name(n)); }
    void enabledChanged(bool e) override { lines_.push_back(e ? "enabled" : "disabled"); }
    void labelEditRequested(TreeNode* n) override { lines_.push_back("edit " + name(n)); }

    // The mirror equals the tree, node for node and row for row, and the tree keeps its own
    // promises: parents, rows, tree order, keys, selection, sorting. `keys` are keys that may
    // have been used: each finds nothing or a node in the tree with that key.
    void expectConsistent(const Lines& keys) {
        std::vector<TreeNode*> walked;
        std::function<void(TreeNode*)> walk = [&](TreeNode* p) {
            const std::vector<TreeNode*>& list = kids_[p];
            ASSERT_EQ(static_cast<std::size_t>(rows(p)), list.size());
            for (std::size_t r = 0; r < list.size(); ++r) {
                ASSERT_EQ(at(p, static_cast<int>(r)), list[r]);
                ASSERT_EQ(list[r]->parent(), p);
                ASSERT_EQ(list[r]->row(), static_cast<int>(r));
                walked.push_back(list[r]);
                walk(list[r]);
            }
        };
        walk(nullptr);
        ASSERT_EQ(walked, tree_.nodes());
        ASSERT_EQ(walked.size(), tree_.count());
        EXPECT_EQ(tree_.nodeAt(0), nullptr);
        EXPECT_EQ(tree_.nodeAt(walked.size() + 1), nullptr);
        const std::set<TreeNode*> present(walked.begin(), walked.end());
        EXPECT_TRUE(!tree_.selectedNode() || present.count(tree_.selectedNode()));
        for (const std::string& key : keys) {
            TreeNode* found = tree_.findNode(key);
            EXPECT_TRUE(!found || (present.count(found) && found->key() == key)) << key;
        }
        for (TreeNode* n : walked)
            EXPECT_TRUE(n->key().empty() || tree_.findNode(n->key()) == n) << n->key();
        auto lower = [](std::string s) {
            for (char& c : s)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            return s;
        };
        const Lines texts = TopLevelTexts(tree_);
        for (std::size_t i = 1; tree_.sorted() && i < texts.size(); ++i)
            EXPECT_LE(lower(texts[i - 1]), lower(texts[i]));
    }

private:
    static std::string name(const TreeNode* n) { return n ? n->text() : "top"; }
    void log(const char* what, TreeNode* p, int f, int l) {
        lines_.push_back(what + (" " + name(p)) + " " + std::to_string(f) + "-" +
                         std::to_string(l));
    }
    int rows(TreeNode* p) const { return p ? p->childCount() : tree_.topLevelCount(); }
    TreeNode* at(TreeNode* p, int r) const { return p ? p->child(r) : tree_.topLevelNode(r); }
    void forget(TreeNode* n) {
        auto it = kids_.find(n);
        if (it == kids_.end())
            return;
        std::vector<TreeNode*> children = std::move(it->second);
        kids_.erase(it);
        for (TreeNode* c : children)
            forget(c);
    }

    TreeControl& tree_;
    Lines lines_;
    std::map<TreeNode*, std::vector<TreeNode*>> kids_;
    std::vector<TreeNode*> before_;
    std::pair<TreeNode*, int> pending_{nullptr, -1};
};

TEST(TreeControlTest, ATakenKeyIsRefusedWithoutATrace) {
    TreeControl tree("tvMessages");
    TreeNode* a = tree.addRoot("ID-A", "Alpha", kImageSource, kImageSource);
    ASSERT_NE(a, nullptr);
    Mirror log(tree);
    EXPECT_EQ(tree.addRoot("ID-A", "Other", kImageSource), nullptr);
    EXPECT_EQ(tree.addChild("ID-A", "ID-A", "Other", kImageUnread), nullptr);
    EXPECT_EQ(tree.addChild("NO-SUCH", "", "orphan", kImageUnread), nullptr);
    EXPECT_EQ(tree.count(), 1u);
    EXPECT_TRUE(log.take().empty());
    // Unkeyed nodes are not indexed and may be many.
    EXPECT_NE(tree.addChild(*a, "", "first", kImageUnread), nullptr);
    EXPECT_NE(tree.addChild(*a, "", "second", kImageUnread), nullptr);
    EXPECT_EQ(tree.findNode(""), nullptr);
}

TEST(TreeControlTest, SortingOrdersTopLevelByTextIgnoringCaseAndKeepsTies) {
    const std::pair<Lines, Lines> cases[] = {
        {{"beta", "Alpha", "gamma", "ALPHA2", "Beta0"},
         {"Alpha", "ALPHA2", "beta", "Beta0", "gamma"}},
        {{"news", "News", "NEWS", "ab", "nEwS", ""}, {"", "ab", "news", "News", "NEWS", "nEwS"}},
        {{"b", "2", "_", "10", "A"}, {"10", "2", "_", "A", "b"}},
        {{"\xc3\x84pfel", "zebra", "Apfel"}, {"Apfel", "zebra", "\xc3\x84pfel"}},
    };
    for (const auto& [added, sorted] : cases) {
        SCOPED_TRACE(added[0]);
        // Sorting switched on afterwards, and sorting on while adding, give the same order.
        TreeControl later("tvMessages");
        TreeControl during("tvMessages");
        during.setSorted(true);
        for (const std::string& t : added) {
            later.addRoot("", t, kImageSource);
            during.addRoot("", t, kImageSource);
        }
        EXPECT_EQ(TopLevelTexts(later), added);
        later.setSorted(true);
        EXPECT_EQ(TopLevelTexts(later), sorted);
        EXPECT_EQ(TopLevelTexts(during), sorted);
    }
    // Children keep the order in which they came.
    TreeControl tree("tvMessages");
    tree.setSorted(true);
    TreeNode* s = tree.addRoot("src", "Source", kImageSource);
    for (const char* t : {"zulu", "alpha", "Mike"})
        tree.addChild(*s, "", t, kImageUnread);
    tree.setSorted(false);
    tree.setSorted(true);
    EXPECT_EQ(s->child(0)->text() + s->child(1)->text() + s->child(2)->text(), "zulualphaMike");
}

TEST(TreeControlTest, NotificationsComeInAdapterOrder) {
    TreeControl tree("tvSources");
    auto log = std::make_unique<Mirror>(tree);
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
    EXPECT_EQ(log->take(),
              (Lines{"about-insert top 0-0", "inserted top 0-0", "changed Sources 5",
                     "about-insert Sources 0-0", "inserted Sources 0-0", "about-insert Sources 1-1",
                     "inserted Sources 1-1", "changed A 4", "changed A 2", "selected A", "disabled",
                     "enabled", "about-remove Sources 0-0", "removed Sources 0-0", "selected top",
                     "about-reset", "reset"}));

    // A sorted insert reports the row it lands on; a rename moves a node only while sorted.
    for (const char* t : {"b", "d", "a"})
        tree.addRoot(t, t, kImageSource);
    tree.setSorted(true);
    tree.addRoot("c", "c", kImageSource);
    EXPECT_EQ(TopLevelTexts(tree), (Lines{"a", "b", "c", "d"}));
    log->take();
    tree.findNode("b")->setText("e");
    tree.findNode("b")->setText("E");  // still in place: no layout change
    tree.setSorted(false);
    tree.findNode("a")->setText("z");
    EXPECT_EQ(TopLevelTexts(tree), (Lines{"z", "c", "d", "E"}));
    EXPECT_EQ(log->take(),
              (Lines{"changed e 0", "about-layout", "layout", "changed E 0", "changed z 0"}));
    tree.addRoot("", "x", kImageSource);
    log->expectConsistent({});
    log.reset();  // a removed observer hears nothing
    tree.addRoot("", "unheard", kImageSource);
}

TEST(TreeControlTest, NodesOfAnotherTreeAreRefused) {
    TreeControl tree("tvMessages");
    TreeControl other("tvSources");
    TreeNode* foreign = other.addRoot("s", "S", kImageSource);
    EXPECT_FALSE(tree.setSelectedNode(foreign));
    EXPECT_EQ(tree.addChild(*foreign, "", "x", kImageUnread), nullptr);
    EXPECT_FALSE(tree.remove(foreign));
    EXPECT_FALSE(tree.remove(nullptr));
    EXPECT_EQ(other.count(), 1u);
    EXPECT_EQ(tree.count(), 0u);
}

TEST(TreeControlTest, LabelEditRunsTheHandlerOnTheOldTextAndHonoursCancel) {
    TreeControl tree("tvMessages");
    Mirror log(tree);
    TreeNode* s = tree.addRoot("s", "Old title", kImageSource);
    EXPECT_FALSE(tree.startLabelEdit());  // nothing selected
    tree.setSelectedNode(s);
    tree.setEnabled(false);
    EXPECT_FALSE(tree.startLabelEdit());  // disabled trees take no input
    tree.setEnabled(true);
    log.take();
    ASSERT_TRUE(tree.startLabelEdit());
    EXPECT_EQ(tree.labelEditNode(), s);
    EXPECT_EQ(log.take(), (Lines{"edit Old title"}));

    std::string seenText;
    auto refuse = [&](LabelEdit& e) {
        seenText = e.node->text();
        e.cancel = e.newText.empty();
    };
    EXPECT_FALSE(tree.finishLabelEdit(*s, "", refuse));
    EXPECT_EQ(s->text(), "Old title");
    EXPECT_EQ(tree.labelEditNode(), nullptr);
    EXPECT_EQ(log.take(), (Lines{"changed Old title 0"}));  // the view shows the old text again
    EXPECT_TRUE(tree.finishLabelEdit(*s, "New title", refuse));
    EXPECT_EQ(seenText, "Old title");
    EXPECT_EQ(s->text(), "New title");
    EXPECT_TRUE(tree.finishLabelEdit(*s, "Without handler", nullptr));
    EXPECT_EQ(s->text(), "Without handler");

    // A node that goes during the handler takes nothing; an edit asked for ends with its node.
    TreeNode* m = tree.addChild(*s, "", "m", kImageUnread);
    EXPECT_FALSE(tree.finishLabelEdit(*m, "new", [&](LabelEdit&) { tree.remove(s); }));
    EXPECT_EQ(tree.count(), 0u);
    tree.setSelectedNode(tree.addRoot("s", "S", kImageSource));
    ASSERT_TRUE(tree.startLabelEdit());
    tree.clear();
    EXPECT_EQ(tree.labelEditNode(), nullptr);
}

// Random operations, each followed by the full check of tree and mirror.
TEST(TreeControlTest, RandomOperationsKeepTreeAndNotificationMirrorInStep) {
    std::mt19937 rng(2710);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    const char* words[] = {"alpha", "Beta", "beta", "GAMMA", "delta", "", "Zeta", "eta"};
    Lines keys;
    for (int k = 0; k < 60; ++k)
        keys.push_back("k" + std::to_string(k));
    TreeControl tree("tvMessages");
    Mirror mirror(tree);
    for (int step = 0; step < 3000; ++step) {
        SCOPED_TRACE(step);
        const int op = pick(100);
        const int n = static_cast<int>(tree.count());
        TreeNode* any = n ? tree.nodeAt(static_cast<std::size_t>(pick(n)) + 1) : nullptr;
        const std::string key = pick(3) == 0 ? "" : keys[static_cast<std::size_t>(pick(60))];
        const std::string text = words[pick(8)];
        if (op < 30)
            tree.addRoot(key, text, kImageSource);
        else if (op < 60 && any)
            tree.addChild(*any, key, text, kImageUnread);
        else if (op < 60)
            tree.addChild(key, "", text, kImageUnread);
        else if (op < 75)
            tree.remove(any);
        else if (op < 83 && any)
            any->setText(text);
        else if (op < 90)
            tree.setSorted(!tree.sorted());
        else if (op < 97)
            tree.setSelectedNode(any);
        else if (op < 98)
            tree.clear();
        else if (any)
            any->setBold(!any->bold());
        mirror.take();
        ASSERT_NO_FATAL_FAILURE(mirror.expectConsistent(keys));
    }
}

}  // namespace
}  // namespace vellorin
