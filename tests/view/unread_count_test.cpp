#include "view/unread_count.h"

#include <gtest/gtest.h>

#include "view/message_node.h"

namespace vellorin {
namespace {

TEST(UnreadCountTest, BadgeAndTipTexts) {
    const struct {
        int messages, sources;
        const char* badge;
        const char* tip;
    } cases[] = {
        {0, 0, "", "No unread messages"},
        {1, 1, "1", "1 unread message in 1 source"},
        {5, 2, "5", "5 unread messages in 2 sources"},
        {99, 3, "99", "99 unread messages in 3 sources"},
        {100, 1, "99+", "100 unread messages in 1 source"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.messages);
        EXPECT_EQ(UnreadBadgeText(c.messages), c.badge);
        EXPECT_EQ(UnreadTipText({c.messages, c.sources}), c.tip);
    }
}

// The count follows every way the tree shows a message as read or unread, stored or gone, and
// reports only real changes.
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
    // A source's messages shown afresh (a check stored more), then the whole tree reloaded.
    TreeNode* c = tree.addRoot("C", "Charlie", kImageSource);
    for (int i = 0; i < 120; ++i)
        tree.addChild(*c, "", "c", kImageUnread);
    EXPECT_EQ(counter.count(), (UnreadCount{120, 1}));
    tree.clear();
    EXPECT_EQ(counter.count(), (UnreadCount{0, 0}));
}

}  // namespace
}  // namespace vellorin
