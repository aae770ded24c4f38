#include "view/tree_handlers.h"

#include <gtest/gtest.h>

#include "view/message_tree_fixture.h"

namespace vellorin {
namespace {

using test::kLinkA;
using test::kSourceA;

class TreeHandlersTest : public test::MessageTreeTest {
protected:
    TreeHandlersTest() {
        // Each hook call is logged with the tree's enabled state at that moment.
        auto log = [this](std::string what) {
            return [this, what] {
                calls_.push_back(what + (tree_.enabled() ? " (enabled)" : " (disabled)"));
            };
        };
        hooks_.queueSelectedSource = log("queue");
        hooks_.processQueue = log("process");
        hooks_.openSettings = log("settings");
        hooks_.openPlugIns = log("plugins");
        hooks_.showSourceMenu = [this](int x, int y) {
            calls_.push_back("menu " + std::to_string(x) + "," + std::to_string(y));
        };
        hooks_.shellOpen = [this](const std::string& target) {
            calls_.push_back("open " + target);
        };
    }
    TreeHandlers handlers() { return TreeHandlers(context_, tree_, windows_, hooks_); }
    TreeNode* node(const std::string& which) {  // "", "source" or a guid
        if (which.empty())
            return nullptr;
        return which == "source" ? tree_.findNode(kSourceA) : message(which);
    }
    // Ends an edit of the source node's title as the view does.
    bool rename(const std::string& newText) {
        return handlers().finishRename(*tree_.findNode(kSourceA), newText);
    }

    TreeHandlerHooks hooks_;
    std::vector<std::string> calls_;
};

TEST_F(TreeHandlersTest, DoubleClickOpensAMessageAndChecksASourceWithTheTreeDisabled) {
    handlers().tvMessages_DblClick();  // nothing selected
    writeTemplate("SL");
    select("m1");
    handlers().tvMessages_DblClick();
    EXPECT_EQ(windows_.opened.size(), 1u);
    EXPECT_EQ(storedRead("m1"), "1");
    EXPECT_TRUE(calls_.empty());

    selectSource();
    handlers().tvMessages_DblClick();
    EXPECT_EQ(calls_, (std::vector<std::string>{"queue (enabled)", "process (disabled)"}));
    EXPECT_TRUE(tree_.enabled());
    EXPECT_EQ(windows_.searched.size(), 1u);

    calls_.clear();
    tree_.clear();
    handlers().tvMessages_DblClick();
    EXPECT_TRUE(calls_.empty());
}

TEST_F(TreeHandlersTest, F2StartsEditingOnlyASourceTitle) {
    struct Case {
        const char* select;
        int key;
        bool edits;
    } cases[] = {{"source", kKeyF2, true},
                 {"m1", kKeyF2, false},
                 {"source", 112, false},
                 {"", kKeyF2, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.select) + " " + std::to_string(c.key));
        tree_.abandonLabelEdit();
        ASSERT_TRUE(tree_.setSelectedNode(node(c.select)));
        handlers().tvMessages_KeyUp(c.key, 0);
        EXPECT_EQ(tree_.labelEditNode(), c.edits ? node("source") : nullptr);
    }
}

TEST_F(TreeHandlersTest, ARenameIsAskedAndOnlyYesChangesTheTitle) {
    const std::string before = listText();
    for (const char* blank : {"", "   "})
        EXPECT_FALSE(rename(blank)) << "'" << blank << "'";
    EXPECT_TRUE(seam_.boxes.empty());  // refused without a question

    seam_.answers = {MsgAnswer::No};
    EXPECT_FALSE(rename("Zulu"));
    ASSERT_EQ(seam_.boxes.size(), 1u);
    const MessageBoxRequest& box = seam_.boxes[0];
    EXPECT_EQ(box.caption, "Change Title?");
    EXPECT_EQ(box.text, "Do you want to change the title \"Alpha\" to \"Zulu\"?");
    EXPECT_EQ(box.icon, MsgIcon::Question);
    EXPECT_EQ(box.buttons, MsgButtons::YesNo);
    EXPECT_EQ(box.defaultButton, MsgDefault::Second);
    EXPECT_EQ(node("source")->text(), "Alpha");
    EXPECT_EQ(listText(), before);

    seam_.answers = {MsgAnswer::Yes};
    EXPECT_TRUE(rename("  Zulu "));
    EXPECT_EQ(node("source")->text(), "  Zulu ");
    EXPECT_NE(listText().find(std::string("<source id=\"") + kSourceA + "\" title=\"  Zulu \">" +
                              kLinkA + "</source>"),
              std::string::npos)
        << listText();
    // The messages stay with the renamed source.
    reload();
    EXPECT_EQ(node("source")->childCount(), 3);
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
    EXPECT_EQ(node("source")->text(), "Alpha");
}

TEST_F(TreeHandlersTest, OnlySourceTitlesAreRenamedAndATreeReloadDuringTheQuestionIsSafe) {
    // A guid that happens to equal a source's link must not rename that source.
    writeInbox(kSourceA, test::InboxSection(test::kLinkB, "Msg", "Mon, 05 Dec 2026", "0"));
    reload();
    const std::string before = listText();
    EXPECT_FALSE(handlers().finishRename(*message(test::kLinkB), "Renamed"));
    EXPECT_EQ(message(test::kLinkB)->text(), "Msg");
    EXPECT_EQ(listText(), before);
    EXPECT_TRUE(seam_.boxes.empty());

    seam_.answers = {MsgAnswer::Yes};
    seam_.duringBox = [this] { reload(); };
    (void)rename("Zulu");
    EXPECT_NE(listText().find("title=\"Zulu\""), std::string::npos);
}

TEST_F(TreeHandlersTest, RightClickSelectsTheNodeUnderThePointerAndShowsTheMenu) {
    struct Case {
        const char* name;
        const char* selected;
        int button;
        const char* underPointer;
        const char* selectedAfter;
        bool menu;
    } cases[] = {
        {"on another message", "m1", kRightButton, "m3", "m3", true},
        {"on empty space", "m1", kRightButton, "", "m1", true},
        {"on a source", "m1", kRightButton, "source", "source", true},
        {"with a source selected", "source", kRightButton, "m1", "source", false},
        {"left button", "m1", kLeftButton, "m3", "m1", false},
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
    handlers().ucOptionbar_ItemClick("help_file");
    EXPECT_TRUE(calls_.empty());
    ASSERT_EQ(seam_.boxes.size(), 1u);
    EXPECT_EQ(seam_.boxes[0].caption, "Help File not found!");
    EXPECT_EQ(seam_.boxes[0].text,
              "Application failed to find Help File. Either Help file is not installed or "
              "missing.");
    EXPECT_EQ(seam_.boxes[0].icon, MsgIcon::Exclamation);

    seam_.clear();
    app_.write("Help.chm", "<html>help</html>");
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"opt_settings", {"settings (enabled)"}},
        {"opt_plugin", {"plugins (enabled)"}},
        {"help_email", {"open mailto:support@vellorin.net"}},
        {"help_website", {"open https://www.vellorin.net/help/"}},
        {"help_file", {"open " + app_.file("Help.chm")}},
        {"Messages", {}},
        {"", {}},
    };
    for (const auto& [key, calls] : cases) {
        SCOPED_TRACE(key);
        calls_.clear();
        handlers().ucOptionbar_ItemClick(key);
        EXPECT_EQ(calls_, calls);
    }
    EXPECT_TRUE(seam_.boxes.empty());
}

}  // namespace
}  // namespace vellorin
