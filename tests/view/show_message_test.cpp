#include "view/show_message.h"

#include <gtest/gtest.h>

#include "view/message_tree_fixture.h"

namespace vellorin {
namespace {

using test::kSourceA;
using test::TempDir;

class ShowMessageTest : public test::MessageTreeTest {};

TEST_F(ShowMessageTest, RendersThePageAndOpensAWindowOrBringsTheOpenOneForward) {
    writeTemplate("From: FN(FEML) Reply: RT(REML) DT | SL | DESC");
    ShowMessageResult result = ShowMessage(context_, windows_, kSourceA, "m1");
    EXPECT_EQ(result.outcome, ShowOutcome::Opened);
    EXPECT_EQ(result.pagePath, pagePath());
    EXPECT_EQ(TempDir::read(pagePath()),
              "From: Jane Roe  (jane@example.com\r\n) Reply: Desk (desk@example.com\r\n) "
              "Mon, 05 Dec 2026 08:56:31\r\n | Weekly report\r\n | </style><p>Hello</p>\r\n");
    ASSERT_EQ(windows_.opened.size(), 1u);
    EXPECT_EQ(windows_.opened[0].sourceId, kSourceA);
    EXPECT_EQ(windows_.opened[0].guid, "m1");
    EXPECT_EQ(windows_.opened[0].caption, "Weekly report number one ...");
    EXPECT_TRUE(seam_.boxes.empty());

    data_.write("data/item.htm", "earlier page");
    context_.inbox.CurrentItem.Guid.clear();
    EXPECT_EQ(ShowMessage(context_, windows_, kSourceA, "m1").outcome, ShowOutcome::AlreadyOpen);
    EXPECT_EQ(windows_.opened.size(), 1u);
    EXPECT_EQ(TempDir::read(pagePath()), "earlier page");
    // The message is current all the same, so that marking it read acts on it.
    EXPECT_EQ(context_.inbox.CurrentItem.Guid, "m1");

    // A window of another source whose message has the same guid is another message.
    windows_.open = {{test::kSourceB, "m3"}};
    EXPECT_EQ(ShowMessage(context_, windows_, kSourceA, "m3").outcome, ShowOutcome::Opened);
}

TEST_F(ShowMessageTest, AMessageThatCouldNotBeShownStaysUnread) {
    writeTemplate("SL");
    select("m3");
    writeInbox(kSourceA, test::InboxSection("m1", "Weekly", "Mon, 05 Dec 2026", "0"));
    EXPECT_EQ(ShowSelectedMessage(context_, tree_, windows_)->outcome, ShowOutcome::NotStored);
    EXPECT_EQ(message("m3")->image(), kImageUnread);
    EXPECT_TRUE(message("m3")->bold());
}

TEST_F(ShowMessageTest, WorkDoneWhileTheWindowOpensDoesNotMisdirectTheReadMark) {
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
