#include "view/message_actions.h"

#include <gtest/gtest.h>

#include "inbox/inbox_store.h"
#include "view/message_tree_fixture.h"
#include "view/show_message.h"

namespace vellorin {
namespace {

using test::kSourceA;
using test::kSourceB;
using test::TempDir;

class MessageActionsTest : public test::MessageTreeTest {
protected:
    MessageActions actions_{context_, tree_, windows_};
};

TEST_F(MessageActionsTest, DeleteAsksFirstAndAfterARebuildDuringTheQuestionClosesOnlyItsWindow) {
    selectSource();
    EXPECT_FALSE(actions_.mnuPopupSourceDel_Click());
    select("m2");
    const std::string before = inboxText();
    EXPECT_FALSE(actions_.mnuPopupSourceDel_Click());  // No, the default
    EXPECT_EQ(seam_.captions(), std::vector<std::string>{"Delete selected Item?"});
    EXPECT_EQ(inboxText(), before);

    windows_.open = {{kSourceA, "m1"}, {kSourceA, "m2"}, {kSourceB, "m2"}};
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
    for (const char* guid : {"m1", "m2"}) {
        const bool read = guid == std::string("m1");
        select(guid);
        EXPECT_TRUE(read ? actions_.mnuPopupSourceRead_Click()
                         : actions_.mnuPopupSourceUnread_Click());
        EXPECT_EQ(storedRead(guid), read ? "1" : "0");
        EXPECT_EQ(message(guid)->image(), read ? kImageRead : kImageUnread);
    }
}

TEST_F(MessageActionsTest, RendersThePageAndOpensAWindowOrBringsTheOpenOneForward) {
    writeTemplate("SL");
    ShowMessageResult result = ShowMessage(context_, windows_, kSourceA, "m1");
    EXPECT_EQ(result.outcome, ShowOutcome::Opened);
    EXPECT_EQ(result.pagePath, pagePath());
    EXPECT_EQ(TempDir::read(pagePath()), "Weekly report\r\n\r\n");
    ASSERT_EQ(windows_.opened.size(), 1u);
    EXPECT_EQ(windows_.opened[0].sourceId + windows_.opened[0].guid, kSourceA + std::string("m1"));
    EXPECT_EQ(windows_.opened[0].caption, "Weekly report number one ...");

    data_.write("data/item.htm", "earlier page");
    context_.inbox.CurrentItem.Guid.clear();
    EXPECT_EQ(ShowMessage(context_, windows_, kSourceA, "m1").outcome, ShowOutcome::AlreadyOpen);
    EXPECT_EQ(TempDir::read(pagePath()), "earlier page");
    // The message is current all the same, so that marking it read acts on it.
    EXPECT_EQ(context_.inbox.CurrentItem.Guid, "m1");

    // A window of another source whose message has the same guid is another message.
    windows_.open = {{test::kSourceB, "m3"}};
    EXPECT_EQ(ShowMessage(context_, windows_, kSourceA, "m3").outcome, ShowOutcome::Opened);
    select("m3");
    writeInbox(kSourceA, test::InboxSection("m1", "Weekly", "Mon, 05 Dec 2026", "0"));
    windows_.open.clear();
    EXPECT_EQ(ShowSelectedMessage(context_, tree_, windows_)->outcome, ShowOutcome::NotStored);
    EXPECT_EQ(message("m3")->image(), kImageUnread);
}

TEST_F(MessageActionsTest, WorkDoneWhileTheWindowOpensDoesNotMisdirectTheReadMark) {
    writeTemplate("SL");
    select("m1");
    windows_.onOpen = [this] { context_.inbox.CurrentItem.Guid = "m3"; };
    ASSERT_TRUE(ShowSelectedMessage(context_, tree_, windows_));
    EXPECT_EQ(storedRead("m1"), "1");
    EXPECT_EQ(storedRead("m3"), "0");

    // A check run reloads the tree, replacing every node: the new node gets the read look.
    select("m3");
    windows_.onOpen = [this] { reload(); };
    ASSERT_TRUE(ShowSelectedMessage(context_, tree_, windows_));
    ASSERT_NE(message("m3"), nullptr);
    EXPECT_EQ(message("m3")->image(), kImageRead);
    EXPECT_EQ(storedRead("m3"), "1");
}

}  // namespace
}  // namespace vellorin
