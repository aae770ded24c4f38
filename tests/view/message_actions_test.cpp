#include "view/message_actions.h"

#include <gtest/gtest.h>

#include "view/message_tree_fixture.h"

namespace vellorin {
namespace {

using test::kSourceA;
using test::kSourceB;

class MessageActionsTest : public test::MessageTreeTest {
protected:
    MessageActions actions_{context_, tree_, windows_};
};

TEST_F(MessageActionsTest, DeleteAsksWithNoAsTheDefaultAndNeedsAMessageNode) {
    selectSource();
    EXPECT_FALSE(actions_.mnuPopupSourceDel_Click());
    select("m2");
    seam_.answers = {MsgAnswer::No};
    const std::string before = inboxText();
    EXPECT_FALSE(actions_.mnuPopupSourceDel_Click());
    ASSERT_EQ(seam_.boxes.size(), 1u);
    const MessageBoxRequest& box = seam_.boxes[0];
    EXPECT_EQ(box.caption, "Delete selected Item?");
    EXPECT_EQ(box.text,
              "Are you sure you want to delete \"Old news\"? Please note that once item is "
              "deleted, you won't be able to recover it. Continue?");
    EXPECT_EQ(box.icon, MsgIcon::Question);
    EXPECT_EQ(box.buttons, MsgButtons::YesNo);
    EXPECT_EQ(box.defaultButton, MsgDefault::Second);
    EXPECT_EQ(inboxText(), before);
}

TEST_F(MessageActionsTest, DeleteAfterTheTreeWasRebuiltDuringTheQuestionClosesOnlyItsWindow) {
    // Beta's window shows a message of its own that has the same guid.
    windows_.open = {{kSourceA, "m1"}, {kSourceA, "m2"}, {kSourceB, "m2"}};
    select("m2");
    seam_.answers = {MsgAnswer::Yes};
    seam_.duringBox = [this] { reload(); };
    EXPECT_TRUE(actions_.mnuPopupSourceDel_Click());
    EXPECT_EQ(inboxText().find("[m2]"), std::string::npos);
    EXPECT_NE(inboxText().find("[m1]"), std::string::npos);
    EXPECT_EQ(message("m2"), nullptr);
    EXPECT_EQ(windows_.open,
              (std::set<test::RecordingWindows::Key>{{kSourceA, "m1"}, {kSourceB, "m2"}}));
}

TEST_F(MessageActionsTest, MarkReadAndUnreadSetTheFlagThePictureAndTheWeight) {
    select("m1");
    EXPECT_TRUE(actions_.mnuPopupSourceRead_Click());
    EXPECT_EQ(storedRead("m1"), "1");
    EXPECT_EQ(message("m1")->image(), kImageRead);
    EXPECT_FALSE(message("m1")->bold());
    select("m2");
    EXPECT_TRUE(actions_.mnuPopupSourceUnread_Click());
    EXPECT_EQ(storedRead("m2"), "0");
    EXPECT_EQ(message("m2")->image(), kImageUnread);
    EXPECT_TRUE(message("m2")->bold());
    EXPECT_TRUE(seam_.boxes.empty());
}

}  // namespace
}  // namespace vellorin
