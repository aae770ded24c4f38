#include "view/tree_handlers.h"

#include <gtest/gtest.h>

#include "view/message_tree_fixture.h"

namespace vellorin {
namespace {

using test::kSourceA;
using Calls = std::vector<std::string>;

class TreeHandlersTest : public test::MessageTreeTest {
protected:
    TreeHandlersTest() {
        hooks_.showSourceMenu = [this](int x, int y) {
            calls_.push_back("menu " + std::to_string(x) + "," + std::to_string(y));
        };
        hooks_.showSourceNodeMenu = [this](int x, int y) {
            calls_.push_back("source menu " + std::to_string(x) + "," + std::to_string(y));
        };
        hooks_.showSourceMenuAtSelection = [this] { calls_.push_back("menu here"); };
        hooks_.showSourceNodeMenuAtSelection = [this] { calls_.push_back("source menu here"); };
    }
    TreeHandlers handlers() { return TreeHandlers(context_, tree_, windows_, hooks_); }
    TreeNode* node(const std::string& which) {  // "", "source" or a guid
        return which == "source" ? tree_.findNode(kSourceA) : message(which);
    }
    void choose(const std::string& which) {
        calls_.clear();
        ASSERT_TRUE(tree_.setSelectedNode(node(which)));
    }
    bool rename(const std::string& newText) {
        return handlers().finishRename(*tree_.findNode(kSourceA), newText);
    }

    TreeHandlerHooks hooks_;
    Calls calls_;
};

TEST_F(TreeHandlersTest, KeysAndClicksReachTheirActionsOnlyOnTheRightNodes) {
    writeTemplate("SL");
    // selected, key, modifiers, handled on key down, hook calls, label edit on key up
    const std::tuple<const char*, int, int, bool, Calls, bool> keys[] = {
        {"m1", kKeyApps, 0, true, {"menu here"}, false},
        {"m1", kKeyF10, kShiftMask, true, {"menu here"}, false},
        {"m1", kKeyF10, 0, false, {}, false},
        {"source", kKeyApps, 0, true, {"source menu here"}, false},
        {"source", kKeyF10, kShiftMask, true, {"source menu here"}, false},
        {"source", kKeyReturn, 0, false, {}, false},
        {"m1", kKeyReturn, kCtrlMask, false, {}, false},
        {"source", kKeyF2, 0, false, {}, true},
        {"m1", kKeyF2, 0, false, {}, false},
        {"", kKeyF2, 0, false, {}, false}};
    for (const auto& [selected, key, shift, handled, calls, edits] : keys) {
        SCOPED_TRACE(std::string(selected) + " " + std::to_string(key));
        tree_.abandonLabelEdit();
        choose(selected);
        EXPECT_EQ(handlers().tvMessages_KeyDown(key, shift), handled);
        EXPECT_EQ(calls_, calls);
        handlers().tvMessages_KeyUp(key, shift);
        EXPECT_EQ(tree_.labelEditNode(), edits ? node("source") : nullptr);
    }
    EXPECT_TRUE(windows_.opened.empty());
    // selected, button, node under the pointer, selected afterwards, menu shown
    const std::tuple<const char*, int, const char*, const char*, Calls> clicks[] = {
        {"m1", kRightButton, "m3", "m3", {"menu 40,70"}},
        {"m1", kRightButton, "", "m1", {"menu 40,70"}},
        {"source", kRightButton, "m1", "source", {}},
        {"m1", kLeftButton, "m3", "m1", {}},
        {"m1", kRightButton, "source", "source", {"source menu 40,70"}},
        {"source", kRightButton, "m3", "source", {}}};
    for (const auto& [selected, button, under, after, calls] : clicks) {
        SCOPED_TRACE(std::string(selected) + " " + under);
        choose(selected);
        handlers().tvMessages_MouseUp({button, 0, 40, 70, node(under)});
        EXPECT_EQ(tree_.selectedNode(), node(after));
        EXPECT_EQ(calls_, calls);
    }
    select("m1");
    EXPECT_TRUE(handlers().tvMessages_KeyDown(kKeyReturn, 0));
    EXPECT_EQ(windows_.opened.size(), 1u);
    EXPECT_TRUE(handlers().tvMessages_KeyDown(kKeyDelete, 0));
    EXPECT_EQ(seam_.captions(), Calls{"Delete selected Item?"});
}

TEST_F(TreeHandlersTest, AfterYesTheSourceNodeShowsTheNewTitleEvenWhenRebuiltMeanwhile) {
    const std::pair<const char*, std::function<void()>> rebuilds[] = {
        {"none", nullptr}, {"reload", [this] { reload(); }}};
    for (const auto& [name, rebuild] : rebuilds) {
        SCOPED_TRACE(name);
        const std::string title = std::string("Zulu ") + name + " ";
        seam_.answers = {MsgAnswer::Yes};
        seam_.duringBox = rebuild;
        EXPECT_TRUE(rename(title));
        EXPECT_NE(listText().find("title=\"" + title + "\">" + test::kLinkA), std::string::npos);
        ASSERT_NE(node("source"), nullptr);
        EXPECT_EQ(node("source")->text(), title);
        EXPECT_EQ(tree_.topLevelNode(1), node("source"));  // sorted after "Beta"
        EXPECT_EQ(node("source")->childCount(), 3);
        writeList({{kSourceA, "Alpha", test::kLinkA}, {test::kSourceB, "Beta", test::kLinkB}});
        reload();
    }
}

// Blank titles are refused without a question, No keeps the title, and so does a failed update (the
// list lost the source meanwhile); a message is never renamed, even one whose guid is a link.
TEST_F(TreeHandlersTest, OnlyYesToANonBlankTitleOfAListedSourceRenamesIt) {
    writeInbox(kSourceA, test::InboxSection(test::kLinkB, "Msg", "Mon, 05 Dec 2026", "0"));
    reload();
    EXPECT_FALSE(handlers().finishRename(*message(test::kLinkB), "Renamed"));
    EXPECT_EQ(message(test::kLinkB)->text(), "Msg");
    const std::string before = listText();
    EXPECT_FALSE(rename("   "));
    EXPECT_TRUE(seam_.boxes.empty());
    seam_.answers = {MsgAnswer::No};
    EXPECT_FALSE(rename("Zulu"));
    EXPECT_EQ(listText(), before);
    writeList({{test::kSourceB, "Beta", test::kLinkB}});
    seam_.answers = {MsgAnswer::Yes};
    EXPECT_FALSE(rename("Zulu"));
    EXPECT_EQ(seam_.captions(),
              (Calls{"Change Title?", "Change Title?", "Failed to change Title!"}));
    EXPECT_EQ(node("source")->text(), "Alpha");
    EXPECT_EQ(listText().find("Zulu"), std::string::npos);
}

}  // namespace
}  // namespace vellorin
