#include "app/message_actions.h"

#include <gtest/gtest.h>

#include "view/message_tree_fixture.h"

namespace vellorin {
namespace {

class MessageActionsTest : public test::MessageTreeTest {
protected:
    MessageActions actions_{context_, tree_, windows_};
};

TEST_F(MessageActionsTest, NothingHappensWithoutAMessageNode) {
    writeTemplate("SL");
    const std::string before = inboxText();
    for (bool sourceSelected : {false, true}) {
        SCOPED_TRACE(sourceSelected ? "source node" : "no selection");
        if (sourceSelected)
            selectSource();
        EXPECT_FALSE(actions_.mnuPopupSourceShow_Click());
        EXPECT_FALSE(actions_.mnuPopupSourceDel_Click());
        EXPECT_FALSE(actions_.mnuPopupSourceRead_Click());
        EXPECT_FALSE(actions_.mnuPopupSourceUnread_Click());
    }
    EXPECT_EQ(inboxText(), before);
    EXPECT_TRUE(seam_.boxes.empty());
    EXPECT_TRUE(windows_.searched.empty());
    EXPECT_EQ(tree_.findNode(test::kSourceA)->childCount(), 3);
}

TEST_F(MessageActionsTest, DeleteAsksWithNoAsTheDefault) {
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
    EXPECT_NE(message("m2"), nullptr);
}

TEST_F(MessageActionsTest, DeleteRemovesTheMessageItsNodeAndOnlyItsWindow) {
    windows_.open = {"m1", "m2", "m3"};
    select("m2");
    seam_.answers = {MsgAnswer::Yes};
    EXPECT_TRUE(actions_.mnuPopupSourceDel_Click());
    EXPECT_EQ(inboxText().find("[m2]"), std::string::npos);
    EXPECT_NE(inboxText().find("[m1]"), std::string::npos);
    EXPECT_EQ(message("m2"), nullptr);
    EXPECT_EQ(tree_.selectedNode(), nullptr);
    EXPECT_EQ(windows_.closed, std::vector<std::string>{"m2"});
    EXPECT_EQ(windows_.open, (std::set<std::string>{"m1", "m3"}));
}

TEST_F(MessageActionsTest, DeleteFindsTheNodeAgainAfterTheTreeWasRebuiltDuringTheQuestion) {
    select("m2");
    seam_.answers = {MsgAnswer::Yes};
    seam_.duringBox = [this] { reload(); };
    EXPECT_TRUE(actions_.mnuPopupSourceDel_Click());
    EXPECT_EQ(message("m2"), nullptr);
    EXPECT_NE(message("m1"), nullptr);
    EXPECT_EQ(inboxText().find("[m2]"), std::string::npos);
}

TEST_F(MessageActionsTest, AMessageGoneFromTheInboxKeepsItsNodeSilently) {
    select("m1");
    // The file was edited meanwhile: the message is no longer stored.
    writeInbox(test::kSourceA, test::InboxSection("m2", "Old news", "Sun, 04 Dec 2026", "1"));
    const std::string before = inboxText();
    seam_.answers = {MsgAnswer::Yes};
    EXPECT_FALSE(actions_.mnuPopupSourceDel_Click());
    EXPECT_FALSE(actions_.mnuPopupSourceRead_Click());
    EXPECT_FALSE(actions_.mnuPopupSourceUnread_Click());
    EXPECT_EQ(seam_.captions(), std::vector<std::string>{"Delete selected Item?"});
    EXPECT_EQ(inboxText(), before);
    ASSERT_NE(message("m1"), nullptr);
    EXPECT_EQ(message("m1")->image(), kImageUnread);
    EXPECT_TRUE(message("m1")->bold());
    EXPECT_TRUE(windows_.closed.empty());
}

TEST_F(MessageActionsTest, MarkReadAndUnreadSetTheFlagThePictureAndTheWeight) {
    struct Case {
        const char* guid;
        bool markRead;
        const char* stored;
        int image;
        bool bold;
    } cases[] = {
        {"m1", true, "1", kImageRead, false},    // unread -> read
        {"m2", true, "1", kImageRead, false},    // read stays read
        {"m2", false, "0", kImageUnread, true},  // read -> unread
        {"m3", false, "0", kImageUnread, true},  // unread stays unread
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.guid) + (c.markRead ? " read" : " unread"));
        select(c.guid);
        EXPECT_TRUE(c.markRead ? actions_.mnuPopupSourceRead_Click()
                               : actions_.mnuPopupSourceUnread_Click());
        EXPECT_EQ(storedRead(c.guid), c.stored);
        EXPECT_EQ(message(c.guid)->image(), c.image);
        EXPECT_EQ(message(c.guid)->bold(), c.bold);
    }
    // The tree shows what a fresh load of the inbox shows.
    reload();
    EXPECT_EQ(message("m1")->image(), kImageRead);
    EXPECT_EQ(message("m2")->image(), kImageUnread);
    EXPECT_TRUE(seam_.boxes.empty());

    // Showing the message marked unread opens it and makes it read again.
    writeTemplate("SL");
    select("m2");
    std::optional<ShowMessageResult> shown = actions_.mnuPopupSourceShow_Click();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->outcome, ShowOutcome::Opened);
    EXPECT_EQ(windows_.opened.at(0).guid, "m2");
    EXPECT_EQ(message("m2")->image(), kImageRead);
    EXPECT_FALSE(message("m2")->bold());
    EXPECT_EQ(storedRead("m2"), "1");
}

}  // namespace
}  // namespace vellorin
