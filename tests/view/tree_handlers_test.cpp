#include "view/tree_handlers.h"

#include <gtest/gtest.h>

#include "view/message_tree_fixture.h"

namespace vellorin {
namespace {

using test::TempDir;

class TreeHandlersTest : public test::MessageTreeTest {
protected:
    TreeHandlersTest() {
        hooks_.queueSelectedSource = [this] { calls_.push_back(state("queue")); };
        hooks_.processQueue = [this] { calls_.push_back(state("process")); };
        hooks_.showSourceMenu = [this](int x, int y) {
            calls_.push_back("menu " + std::to_string(x) + "," + std::to_string(y));
        };
        hooks_.openSettings = [this] { calls_.push_back("settings"); };
        hooks_.openPlugIns = [this] { calls_.push_back("plugins"); };
        hooks_.shellOpen = [this](const std::string& target) {
            calls_.push_back("open " + target);
        };
    }
    // A hook call with the tree's state at that moment.
    std::string state(const std::string& what) const {
        return what + (tree_.enabled() ? " (enabled)" : " (disabled)");
    }
    TreeHandlers handlers() { return TreeHandlers(context_, tree_, windows_, hooks_); }
    // Ends an edit of the source node's title as the view does.
    bool rename(const std::string& newText) {
        TreeHandlers h = handlers();
        return h.finishRename(*tree_.findNode(test::kSourceA), newText);
    }

    TreeHandlerHooks hooks_;
    std::vector<std::string> calls_;
};

TEST_F(TreeHandlersTest, DoubleClickOnAMessageOpensItAndMarksItRead) {
    writeTemplate("SL");
    select("m1");
    handlers().tvMessages_DblClick();
    EXPECT_EQ(windows_.opened.size(), 1u);
    EXPECT_EQ(message("m1")->image(), kImageRead);
    EXPECT_FALSE(message("m1")->bold());
    EXPECT_EQ(storedRead("m1"), "1");

    // Again: the window comes forward, nothing else changes.
    const std::string before = inboxText();
    handlers().tvMessages_DblClick();
    EXPECT_EQ(windows_.opened.size(), 1u);
    EXPECT_EQ(inboxText(), before);
    EXPECT_TRUE(calls_.empty());
}

TEST_F(TreeHandlersTest, DoubleClickOnASourceChecksItWithTheTreeDisabled) {
    selectSource();
    handlers().tvMessages_DblClick();
    EXPECT_EQ(calls_, (std::vector<std::string>{"queue (enabled)", "process (disabled)"}));
    EXPECT_TRUE(tree_.enabled());
    EXPECT_TRUE(windows_.searched.empty());
}

TEST_F(TreeHandlersTest, DoubleClickDoesNothingWithoutASelectionOrNodes) {
    handlers().tvMessages_DblClick();
    tree_.clear();
    handlers().tvMessages_DblClick();
    EXPECT_TRUE(calls_.empty());
    EXPECT_TRUE(windows_.searched.empty());
}

TEST_F(TreeHandlersTest, F2StartsEditingOnlyASourceTitle) {
    struct Case {
        const char* name;
        const char* select;  // "" nothing, "source", or a guid
        int key;
        bool edits;
    } cases[] = {
        {"F2 on a source", "source", kKeyF2, true},
        {"F2 on a message", "m1", kKeyF2, false},
        {"another key on a source", "source", 112, false},
        {"F2 without a selection", "", kKeyF2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tree_.abandonLabelEdit();
        (void)tree_.setSelectedNode(nullptr);
        if (std::string(c.select) == "source")
            selectSource();
        else if (*c.select)
            select(c.select);
        handlers().tvMessages_KeyUp(c.key, 0);
        EXPECT_EQ(tree_.labelEditNode(), c.edits ? tree_.findNode(test::kSourceA) : nullptr);
    }
}

TEST_F(TreeHandlersTest, ABlankTitleIsRefusedWithoutAQuestion) {
    const std::string before = listText();
    for (const char* text : {"", "   "}) {
        SCOPED_TRACE(std::string("'") + text + "'");
        EXPECT_FALSE(rename(text));
        EXPECT_EQ(tree_.findNode(test::kSourceA)->text(), "Alpha");
    }
    EXPECT_TRUE(seam_.boxes.empty());
    EXPECT_EQ(listText(), before);
}

TEST_F(TreeHandlersTest, RenamingAsksAndNoKeepsTheOldTitle) {
    const std::string before = listText();
    seam_.answers = {MsgAnswer::No};
    EXPECT_FALSE(rename("Zulu"));
    ASSERT_EQ(seam_.boxes.size(), 1u);
    const MessageBoxRequest& box = seam_.boxes[0];
    EXPECT_EQ(box.caption, "Change Title?");
    EXPECT_EQ(box.text, "Do you want to change the title \"Alpha\" to \"Zulu\"?");
    EXPECT_EQ(box.icon, MsgIcon::Question);
    EXPECT_EQ(box.buttons, MsgButtons::YesNo);
    EXPECT_EQ(box.defaultButton, MsgDefault::Second);
    EXPECT_EQ(tree_.findNode(test::kSourceA)->text(), "Alpha");
    EXPECT_EQ(listText(), before);
}

TEST_F(TreeHandlersTest, YesStoresTheNewTitleAndTheNodeShowsIt) {
    seam_.answers = {MsgAnswer::Yes};
    EXPECT_TRUE(rename("  Zulu "));
    EXPECT_EQ(tree_.findNode(test::kSourceA)->text(), "  Zulu ");
    EXPECT_NE(listText().find(std::string("<source id=\"") + test::kSourceA +
                              "\" title=\"  Zulu \">" + test::kLinkA + "</source>"),
              std::string::npos)
        << listText();
    EXPECT_EQ(seam_.captions(), std::vector<std::string>{"Change Title?"});
    // The messages stay with the renamed source.
    reload();
    EXPECT_EQ(tree_.findNode(test::kSourceA)->childCount(), 3);
}

TEST_F(TreeHandlersTest, AFailedRenameShowsItsBoxAndTheOldTitle) {
    // The list lost the source meanwhile: UpdateSource finds no source with the node's link.
    writeList({{test::kSourceB, "Beta", test::kLinkB}});
    seam_.answers = {MsgAnswer::Yes};
    EXPECT_FALSE(rename("Zulu"));
    ASSERT_EQ(seam_.boxes.size(), 2u);
    EXPECT_EQ(seam_.boxes[1].caption, "Failed to change Title!");
    EXPECT_EQ(seam_.boxes[1].text,
              "Failed to change Source Title. Please close application & restart it and try "
              "again. If still you face the same error then please contact us, our customer care "
              "executive will get in touch with you with further details to resolve this issue.");
    EXPECT_EQ(seam_.boxes[1].icon, MsgIcon::Exclamation);
    EXPECT_EQ(tree_.findNode(test::kSourceA)->text(), "Alpha");
}

TEST_F(TreeHandlersTest, AnEditOfAMessageTitleIsCancelledWithoutTouchingTheList) {
    // A guid that happens to equal a source's link must not rename that source.
    writeInbox(test::kSourceA, test::InboxSection(test::kLinkB, "Msg", "Mon, 05 Dec 2026", "0"));
    reload();
    const std::string before = listText();
    TreeHandlers h = handlers();
    EXPECT_FALSE(h.finishRename(*message(test::kLinkB), "Renamed"));
    EXPECT_EQ(message(test::kLinkB)->text(), "Msg");
    EXPECT_EQ(listText(), before);
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(TreeHandlersTest, TheRenameSurvivesATreeReloadDuringTheQuestion) {
    seam_.answers = {MsgAnswer::Yes};
    seam_.duringBox = [this] { reload(); };
    (void)rename("Zulu");
    EXPECT_NE(listText().find("title=\"Zulu\""), std::string::npos);
}

TEST_F(TreeHandlersTest, RightClickSelectsTheNodeUnderThePointerAndShowsTheMenu) {
    struct Case {
        const char* name;
        const char* selected;  // "source" or a guid
        int button;
        const char* underPointer;  // "", "source" or a guid
        const char* selectedAfter;
        bool menu;
    } cases[] = {
        {"on another message", "m1", kRightButton, "m3", "m3", true},
        {"on empty space", "m1", kRightButton, "", "m1", true},
        {"on a source", "m1", kRightButton, "source", "source", true},
        {"with a source selected", "source", kRightButton, "m1", "source", false},
        {"left button", "m1", kLeftButton, "m3", "m1", false},
    };
    auto node = [this](const std::string& which) -> TreeNode* {
        if (which.empty())
            return nullptr;
        return which == "source" ? tree_.findNode(test::kSourceA) : message(which);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        calls_.clear();
        ASSERT_TRUE(tree_.setSelectedNode(node(c.selected)));
        handlers().tvMessages_MouseUp({c.button, 0, 40, 70, node(c.underPointer)});
        EXPECT_EQ(tree_.selectedNode(), node(c.selectedAfter));
        EXPECT_EQ(calls_,
                  c.menu ? std::vector<std::string>{"menu 40,70"} : std::vector<std::string>{});
    }
}

TEST_F(TreeHandlersTest, OptionBarItemsReachTheirTargets) {
    struct Case {
        const char* key;
        std::vector<std::string> calls;
    } cases[] = {
        {"opt_settings", {"settings"}},
        {"opt_plugin", {"plugins"}},
        {"help_email", {"open mailto:support@vellorin.net"}},
        {"help_website", {"open https://www.vellorin.net/help/"}},
        {"help_file", {"open " + app_.file("Help.chm")}},
        {"Messages", {}},
        {"", {}},
    };
    app_.write("Help.chm", "<html>help</html>");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        calls_.clear();
        handlers().ucOptionbar_ItemClick(c.key);
        EXPECT_EQ(calls_, c.calls);
    }
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(TreeHandlersTest, AMissingHelpFileIsReported) {
    handlers().ucOptionbar_ItemClick("help_file");
    EXPECT_TRUE(calls_.empty());
    ASSERT_EQ(seam_.boxes.size(), 1u);
    EXPECT_EQ(seam_.boxes[0].caption, "Help File not found!");
    EXPECT_EQ(seam_.boxes[0].text,
              "Application failed to find Help File. Either Help file is not installed or "
              "missing.");
    EXPECT_EQ(seam_.boxes[0].icon, MsgIcon::Exclamation);
}

}  // namespace
}  // namespace vellorin
