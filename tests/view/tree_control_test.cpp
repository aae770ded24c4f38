#include "view/tree_control.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace vellorin {
namespace {

std::vector<std::string> TopLevelTexts(const TreeControl& tree) {
    std::vector<std::string> out;
    for (int r = 0; r < tree.topLevelCount(); ++r)
        out.push_back(tree.topLevelNode(r)->text());
    return out;
}

std::vector<std::string> OrderTexts(const TreeControl& tree) {
    std::vector<std::string> out;
    for (std::size_t i = 1; i <= tree.count(); ++i)
        out.push_back(tree.nodeAt(i)->text());
    return out;
}

// Writes every notification as one line, for tests of the exact sequence.
class EventLog : public TreeObserver {
public:
    static std::string Name(const TreeNode* n) { return n ? n->text() : "top"; }
    void nodesAboutToBeInserted(TreeNode* p, int f, int l) override {
        add("about-insert " + Name(p) + " " + std::to_string(f) + "-" + std::to_string(l));
    }
    void nodesInserted(TreeNode* p, int f, int l) override {
        add("inserted " + Name(p) + " " + std::to_string(f) + "-" + std::to_string(l));
    }
    void nodesAboutToBeRemoved(TreeNode* p, int f, int l) override {
        add("about-remove " + Name(p) + " " + std::to_string(f) + "-" + std::to_string(l));
    }
    void nodesRemoved(TreeNode* p, int f, int l) override {
        add("removed " + Name(p) + " " + std::to_string(f) + "-" + std::to_string(l));
    }
    void nodeChanged(TreeNode* n, NodeField f) override {
        add("changed " + Name(n) + " " + std::to_string(static_cast<int>(f)));
    }
    void treeAboutToBeReset() override { add("about-reset"); }
    void treeReset() override { add("reset"); }
    void layoutAboutToBeChanged() override { add("about-layout"); }
    void layoutChanged() override { add("layout"); }
    void selectionChanged(TreeNode* n) override { add("selected " + Name(n)); }
    void enabledChanged(bool e) override { add(e ? "enabled" : "disabled"); }
    void labelEditRequested(TreeNode* n) override { add("edit " + Name(n)); }

    std::vector<std::string> take() {
        std::vector<std::string> out;
        out.swap(lines_);
        return out;
    }

private:
    void add(std::string line) { lines_.push_back(std::move(line)); }
    std::vector<std::string> lines_;
};

// Mirrors the tree from its notifications alone, the way an item model adapter must, and checks
// at each notification that the tree is in the state the notification claims.
class ShadowModel : public TreeObserver {
public:
    explicit ShadowModel(TreeControl& tree) : tree_(tree) { tree_.addObserver(this); }
    ~ShadowModel() override { tree_.removeObserver(this); }

    void nodesAboutToBeInserted(TreeNode* p, int f, int l) override {
        EXPECT_EQ(f, l);
        EXPECT_LE(f, static_cast<int>(kids_[p].size()));
        EXPECT_EQ(rows(p), static_cast<int>(kids_[p].size()));
    }
    void nodesInserted(TreeNode* p, int f, int l) override {
        auto& list = kids_[p];
        for (int r = f; r <= l; ++r) {
            TreeNode* n = p ? p->child(r) : tree_.topLevelNode(r);
            ASSERT_NE(n, nullptr);
            EXPECT_EQ(n->parent(), p);
            list.insert(list.begin() + r, n);
        }
        EXPECT_EQ(rows(p), static_cast<int>(list.size()));
    }
    void nodesAboutToBeRemoved(TreeNode* p, int f, int l) override {
        auto& list = kids_[p];
        ASSERT_LE(l, static_cast<int>(list.size()) - 1);
        for (int r = f; r <= l; ++r) {
            TreeNode* n = p ? p->child(r) : tree_.topLevelNode(r);
            EXPECT_EQ(n, list[static_cast<std::size_t>(r)]);
        }
        pending_ = {p, f, l};
    }
    void nodesRemoved(TreeNode* p, int f, int l) override {
        EXPECT_EQ(pending_.parent, p);
        EXPECT_EQ(pending_.first, f);
        auto& list = kids_[p];
        for (int r = l; r >= f; --r) {
            forget(list[static_cast<std::size_t>(r)]);
            list.erase(list.begin() + r);
        }
        EXPECT_EQ(rows(p), static_cast<int>(list.size()));
    }
    void treeAboutToBeReset() override {}
    void treeReset() override {
        kids_.clear();
        EXPECT_EQ(tree_.count(), 0u);
    }
    void layoutAboutToBeChanged() override { before_ = kids_[nullptr]; }
    void layoutChanged() override {
        std::vector<TreeNode*> now;
        for (int r = 0; r < tree_.topLevelCount(); ++r)
            now.push_back(tree_.topLevelNode(r));
        EXPECT_EQ(std::multiset<TreeNode*>(before_.begin(), before_.end()),
                  std::multiset<TreeNode*>(now.begin(), now.end()));
        kids_[nullptr] = now;
    }

    // The shadow equals the tree, node for node and row for row.
    void expectMatches() const {
        std::function<void(TreeNode*)> walk = [&](TreeNode* p) {
            auto it = kids_.find(p);
            std::size_t n = it == kids_.end() ? 0 : it->second.size();
            ASSERT_EQ(static_cast<std::size_t>(rows(p)), n);
            for (std::size_t r = 0; r < n; ++r) {
                TreeNode* c =
                    p ? p->child(static_cast<int>(r)) : tree_.topLevelNode(static_cast<int>(r));
                ASSERT_EQ(c, it->second[r]);
                walk(c);
            }
        };
        walk(nullptr);
    }

private:
    struct Removal {
        TreeNode* parent = nullptr;
        int first = -1;
        int last = -1;
    };
    int rows(TreeNode* p) const { return p ? p->childCount() : tree_.topLevelCount(); }
    void forget(TreeNode* n) {
        auto it = kids_.find(n);
        if (it == kids_.end())
            return;
        std::vector<TreeNode*> children = it->second;
        kids_.erase(it);
        for (TreeNode* c : children)
            forget(c);
    }

    TreeControl& tree_;
    std::map<TreeNode*, std::vector<TreeNode*>> kids_;
    std::vector<TreeNode*> before_;
    Removal pending_;
};

// Everything the tree promises about itself, checked from the outside.
void ExpectConsistent(const TreeControl& tree) {
    std::vector<TreeNode*> walked;
    std::function<void(TreeNode*)> walk = [&](TreeNode* n) {
        walked.push_back(n);
        for (int r = 0; r < n->childCount(); ++r) {
            TreeNode* c = n->child(r);
            ASSERT_EQ(c->row(), r);
            ASSERT_EQ(c->parent(), n);
            walk(c);
        }
    };
    for (int r = 0; r < tree.topLevelCount(); ++r) {
        TreeNode* n = tree.topLevelNode(r);
        ASSERT_EQ(n->row(), r);
        ASSERT_EQ(n->parent(), nullptr);
        walk(n);
    }
    ASSERT_EQ(walked.size(), tree.count());
    ASSERT_EQ(walked, tree.nodes());
    std::set<std::string> keys;
    for (TreeNode* n : walked) {
        if (n->key().empty())
            continue;
        EXPECT_TRUE(keys.insert(n->key()).second) << "duplicate key " << n->key();
        EXPECT_EQ(tree.findNode(n->key()), n);
    }
    if (tree.sorted()) {
        auto texts = TopLevelTexts(tree);
        for (std::size_t i = 1; i < texts.size(); ++i) {
            std::string a = texts[i - 1], b = texts[i];
            for (char& c : a)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            for (char& c : b)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            EXPECT_LE(a, b);
        }
    }
}

TEST(TreeControlTest, KeysAreUniqueAndFoundAfterAnyChange) {
    TreeControl tree("tvMessages");
    EventLog log;
    tree.addObserver(&log);
    TreeNode* a = tree.addRoot("ID-A", "Alpha", kImageSource, kImageSource);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->image(), kImageSource);
    EXPECT_EQ(a->selectedImage(), kImageSource);
    log.take();

    // A second node with a taken key is refused and leaves no trace.
    EXPECT_EQ(tree.addRoot("ID-A", "Other", kImageSource), nullptr);
    EXPECT_EQ(tree.addChild("ID-A", "ID-A", "Other", kImageUnread), nullptr);
    EXPECT_EQ(tree.addChild("NO-SUCH", "", "orphan", kImageUnread), nullptr);
    EXPECT_EQ(tree.count(), 1u);
    EXPECT_TRUE(log.take().empty());

    // Unkeyed nodes are not indexed and may be many.
    TreeNode* m1 = tree.addChild("ID-A", "", "first", kImageUnread);
    TreeNode* m2 = tree.addChild(*a, "", "second", kImageRead);
    ASSERT_TRUE(m1 && m2);
    EXPECT_EQ(tree.findNode(""), nullptr);
    EXPECT_EQ(m2->parent(), a);
    EXPECT_EQ(m2->row(), 1);
    EXPECT_EQ(m1->selectedImage(), kImageNone);

    // A key is free again once its node is gone, also when it went with an ancestor.
    TreeNode* keyedChild = tree.addChild(*a, "CHILD", "keyed child", kImageUnread);
    ASSERT_NE(keyedChild, nullptr);
    EXPECT_TRUE(tree.remove(a));
    EXPECT_EQ(tree.findNode("ID-A"), nullptr);
    EXPECT_EQ(tree.findNode("CHILD"), nullptr);
    EXPECT_EQ(tree.count(), 0u);
    EXPECT_NE(tree.addRoot("ID-A", "Alpha again", kImageSource), nullptr);
    EXPECT_NE(tree.addRoot("CHILD", "now a source", kImageSource), nullptr);
    ExpectConsistent(tree);
    tree.removeObserver(&log);
}

TEST(TreeControlTest, NodesAreVisitedInTreeOrderByOneBasedIndex) {
    TreeControl tree("tvMessages");
    tree.addRoot("s1", "S1", kImageSource);
    tree.addRoot("s2", "S2", kImageSource);
    tree.addChild("s1", "", "m1a", kImageUnread);
    tree.addChild("s2", "", "m2a", kImageUnread);
    tree.addChild("s1", "", "m1b", kImageUnread);
    tree.addChild("s2", "", "m2b", kImageUnread);
    EXPECT_EQ(OrderTexts(tree), (std::vector<std::string>{"S1", "m1a", "m1b", "S2", "m2a", "m2b"}));
    EXPECT_EQ(tree.nodeAt(0), nullptr);
    EXPECT_EQ(tree.nodeAt(7), nullptr);

    // The order follows every change, including ones made between two visits.
    ASSERT_TRUE(tree.remove(tree.nodeAt(2)));
    tree.addChild("s1", "", "m1c", kImageUnread);
    tree.setSorted(true);
    tree.addRoot("s0", "S0", kImageSource);
    EXPECT_EQ(OrderTexts(tree),
              (std::vector<std::string>{"S0", "S1", "m1b", "m1c", "S2", "m2a", "m2b"}));
    ExpectConsistent(tree);
}

TEST(TreeControlTest, SortingOrdersTopLevelByTextIgnoringCaseAndKeepsTies) {
    struct Case {
        const char* name;
        std::vector<std::string> added;
        std::vector<std::string> sorted;
    };
    const Case cases[] = {
        {"letter case is ignored",
         {"beta", "Alpha", "gamma", "ALPHA2", "Beta0"},
         {"Alpha", "ALPHA2", "beta", "Beta0", "gamma"}},
        {"equal texts keep the order they came in",
         {"news", "News", "NEWS", "apple", "nEwS"},
         {"apple", "news", "News", "NEWS", "nEwS"}},
        {"prefix before longer text", {"abc", "ab", "a", ""}, {"", "a", "ab", "abc"}},
        {"digits and punctuation by byte value",
         {"b", "2", "_", "10", "A"},
         {"10", "2", "_", "A", "b"}},
        {"non-ASCII after ASCII letters",
         {"\xc3\x84pfel", "zebra", "Apfel"},
         {"Apfel", "zebra", "\xc3\x84pfel"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Sorting switched on afterwards, and sorting on while adding, give the same order.
        TreeControl later("tvMessages");
        TreeControl during("tvMessages");
        during.setSorted(true);
        for (const std::string& t : c.added) {
            later.addRoot("", t, kImageSource);
            during.addRoot("", t, kImageSource);
        }
        EXPECT_EQ(TopLevelTexts(later), c.added);
        later.setSorted(true);
        EXPECT_EQ(TopLevelTexts(later), c.sorted);
        EXPECT_EQ(TopLevelTexts(during), c.sorted);
        ExpectConsistent(later);
        ExpectConsistent(during);
    }
}

TEST(TreeControlTest, ChildrenKeepInsertionOrderWhileSorted) {
    TreeControl tree("tvMessages");
    tree.setSorted(true);
    TreeNode* s = tree.addRoot("src", "Source", kImageSource);
    for (const char* t : {"zulu", "alpha", "Mike"})
        tree.addChild(*s, "", t, kImageUnread);
    tree.setSorted(false);
    tree.setSorted(true);
    ASSERT_EQ(s->childCount(), 3);
    EXPECT_EQ(s->child(0)->text(), "zulu");
    EXPECT_EQ(s->child(1)->text(), "alpha");
    EXPECT_EQ(s->child(2)->text(), "Mike");
}

TEST(TreeControlTest, RenamedTopLevelNodeMovesOnlyWhileSorted) {
    TreeControl tree("tvMessages");
    for (const char* t : {"b", "d", "f"})
        tree.addRoot(t, t, kImageSource);
    tree.findNode("f")->setText("a");
    EXPECT_EQ(TopLevelTexts(tree), (std::vector<std::string>{"b", "d", "a"}));

    tree.setSorted(true);
    EXPECT_EQ(TopLevelTexts(tree), (std::vector<std::string>{"a", "b", "d"}));
    EventLog log;
    tree.addObserver(&log);
    tree.findNode("b")->setText("e");
    EXPECT_EQ(TopLevelTexts(tree), (std::vector<std::string>{"a", "d", "e"}));
    EXPECT_EQ(log.take(), (std::vector<std::string>{"changed e 0", "about-layout", "layout"}));
    // Still in place: no layout change.
    tree.findNode("b")->setText("E");
    EXPECT_EQ(log.take(), (std::vector<std::string>{"changed E 0"}));
    ExpectConsistent(tree);
    tree.removeObserver(&log);
}

// The way the inbox rebuilds one source: sorting off, remove, add again, sorting on.
TEST(TreeControlTest, ReaddedSourceReturnsToItsPlaceEmptyCollapsedAndUnselected) {
    TreeControl tree("tvMessages");
    for (const char* t : {"Gamma", "alpha", "Beta"}) {
        TreeNode* s = tree.addRoot(std::string("id-") + t, t, kImageSource, kImageSource);
        s->setTag(std::string("http://x/") + t);
        tree.addChild(*s, "", "message", kImageUnread)->setBold(true);
    }
    tree.setSorted(true);
    TreeNode* beta = tree.findNode("id-Beta");
    beta->setExpanded(true);
    tree.setSelectedNode(beta->child(0));

    std::string text = beta->text(), key = beta->key(), tag = beta->tag();
    tree.setSorted(false);
    ASSERT_TRUE(tree.remove(beta));
    EXPECT_EQ(tree.selectedNode(), nullptr);
    TreeNode* again = tree.addRoot(key, text, kImageSource, kImageSource);
    ASSERT_NE(again, nullptr);
    again->setTag(tag);
    EXPECT_EQ(TopLevelTexts(tree), (std::vector<std::string>{"alpha", "Gamma", "Beta"}));
    tree.setSorted(true);

    EXPECT_EQ(TopLevelTexts(tree), (std::vector<std::string>{"alpha", "Beta", "Gamma"}));
    EXPECT_EQ(again->childCount(), 0);
    EXPECT_FALSE(again->expanded());
    EXPECT_EQ(again->tag(), "http://x/Beta");
    EXPECT_EQ(tree.count(), 5u);
    ExpectConsistent(tree);
}

TEST(TreeControlTest, NotificationsComeInAdapterOrder) {
    TreeControl tree("tvSources");
    EventLog log;
    tree.addObserver(&log);
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
    EXPECT_EQ(log.take(), (std::vector<std::string>{
                              "about-insert top 0-0", "inserted top 0-0",
                              "changed Sources 5",  // Expanded
                              "about-insert Sources 0-0", "inserted Sources 0-0",
                              "about-insert Sources 1-1", "inserted Sources 1-1",
                              "changed A 4",  // Bold
                              "changed A 2",  // Image
                              "selected A", "disabled", "enabled", "about-remove Sources 0-0",
                              "removed Sources 0-0", "selected top", "about-reset", "reset"}));

    // A sorted insert reports the row it lands on.
    tree.setSorted(true);
    tree.addRoot("", "m", kImageSource);
    tree.addRoot("", "c", kImageSource);
    tree.addRoot("", "x", kImageSource);
    auto lines = log.take();
    EXPECT_EQ(lines[2], "about-insert top 0-0");
    EXPECT_EQ(lines[4], "about-insert top 2-2");
    tree.removeObserver(&log);
    tree.addRoot("", "unheard", kImageSource);
    EXPECT_TRUE(log.take().empty());
}

TEST(TreeControlTest, SelectionAcceptsOnlyOwnNodesAndFollowsRemovals) {
    TreeControl tree("tvMessages");
    TreeControl other("tvSources");
    TreeNode* s = tree.addRoot("s", "S", kImageSource);
    TreeNode* m = tree.addChild(*s, "", "m", kImageUnread);
    TreeNode* foreign = other.addRoot("s", "S", kImageSource);

    EXPECT_FALSE(tree.setSelectedNode(foreign));
    EXPECT_EQ(tree.addChild(*foreign, "", "x", kImageUnread), nullptr);
    EXPECT_FALSE(tree.remove(foreign));
    EXPECT_FALSE(tree.remove(nullptr));
    EXPECT_EQ(other.count(), 1u);

    EXPECT_TRUE(tree.setSelectedNode(m));
    EXPECT_TRUE(tree.remove(s));  // the selection goes with its ancestor
    EXPECT_EQ(tree.selectedNode(), nullptr);

    s = tree.addRoot("s", "S", kImageSource);
    tree.setSelectedNode(s);
    tree.clear();
    EXPECT_EQ(tree.selectedNode(), nullptr);
    EXPECT_TRUE(tree.setSelectedNode(nullptr));
}

TEST(TreeControlTest, LabelEditRunsHandlerOnOldTextAndHonoursCancel) {
    TreeControl tree("tvMessages");
    EventLog log;
    TreeNode* s = tree.addRoot("s", "Old title", kImageSource);
    tree.addObserver(&log);

    EXPECT_FALSE(tree.startLabelEdit());  // nothing selected
    tree.setSelectedNode(s);
    tree.setEnabled(false);
    EXPECT_FALSE(tree.startLabelEdit());  // disabled trees take no input
    tree.setEnabled(true);
    log.take();
    ASSERT_TRUE(tree.startLabelEdit());
    EXPECT_EQ(tree.labelEditNode(), s);
    EXPECT_EQ(log.take(), (std::vector<std::string>{"edit Old title"}));

    std::string seenText;
    auto refuse = [&](LabelEdit& e) {
        seenText = e.node->text();
        e.cancel = e.newText.empty();
    };
    EXPECT_FALSE(tree.finishLabelEdit(*s, "", refuse));
    EXPECT_EQ(seenText, "Old title");
    EXPECT_EQ(s->text(), "Old title");
    EXPECT_EQ(tree.labelEditNode(), nullptr);
    // The view is told to show the old text again.
    EXPECT_EQ(log.take(), (std::vector<std::string>{"changed Old title 0"}));

    EXPECT_TRUE(tree.finishLabelEdit(*s, "New title", refuse));
    EXPECT_EQ(seenText, "Old title");
    EXPECT_EQ(s->text(), "New title");
    EXPECT_TRUE(tree.finishLabelEdit(*s, "Without handler", nullptr));
    EXPECT_EQ(s->text(), "Without handler");
    tree.removeObserver(&log);
}

TEST(TreeControlTest, LabelEditWhoseNodeVanishesDuringTheHandlerTakesNothing) {
    TreeControl tree("tvMessages");
    TreeNode* s = tree.addRoot("s", "S", kImageSource);
    TreeNode* m = tree.addChild(*s, "", "m", kImageUnread);
    tree.setSelectedNode(m);
    ASSERT_TRUE(tree.startLabelEdit());
    EXPECT_FALSE(tree.finishLabelEdit(*m, "new", [&](LabelEdit&) { tree.remove(s); }));
    EXPECT_EQ(tree.count(), 0u);

    s = tree.addRoot("s", "S", kImageSource);
    EXPECT_FALSE(tree.finishLabelEdit(*s, "new", [&](LabelEdit&) { tree.clear(); }));
    EXPECT_EQ(tree.count(), 0u);

    // An edit that was asked for ends when its node goes.
    s = tree.addRoot("s", "S", kImageSource);
    tree.setSelectedNode(s);
    ASSERT_TRUE(tree.startLabelEdit());
    tree.remove(s);
    EXPECT_EQ(tree.labelEditNode(), nullptr);
}

// Random operations, checked after each against the tree's own promises and against a mirror
// built from the notifications alone.
TEST(TreeControlTest, RandomOperationsKeepTreeAndNotificationMirrorInStep) {
    std::mt19937 rng(2710);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    const char* words[] = {"alpha", "Beta", "beta", "GAMMA", "delta", "", "Zeta", "eta"};
    TreeControl tree("tvMessages");
    ShadowModel shadow(tree);

    for (int step = 0; step < 3000; ++step) {
        SCOPED_TRACE(step);
        int op = pick(100);
        std::size_t n = tree.count();
        TreeNode* any =
            n ? tree.nodeAt(static_cast<std::size_t>(pick(static_cast<int>(n))) + 1) : nullptr;
        std::string key = pick(3) == 0 ? "" : "k" + std::to_string(pick(60));
        std::string text = words[pick(8)];
        if (op < 30) {
            tree.addRoot(key, text, kImageSource);
        } else if (op < 60) {
            if (any)
                tree.addChild(*any, key, text, kImageUnread);
            else
                tree.addChild(key, "", text, kImageUnread);
        } else if (op < 75) {
            tree.remove(any);
        } else if (op < 83) {
            if (any)
                any->setText(text);
        } else if (op < 90) {
            tree.setSorted(!tree.sorted());
        } else if (op < 97) {
            tree.setSelectedNode(any);
        } else if (op < 98) {
            tree.clear();
        } else if (any) {
            any->setBold(!any->bold());
        }
        ASSERT_NO_FATAL_FAILURE(ExpectConsistent(tree));
        ASSERT_NO_FATAL_FAILURE(shadow.expectMatches());
    }
}

}  // namespace
}  // namespace vellorin
