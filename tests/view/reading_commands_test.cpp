#include "view/reading_commands.h"

#include <gtest/gtest.h>

#include "view/message_tree_fixture.h"

namespace vellorin {
namespace {

using test::InboxSection;
using test::kSourceA;
using test::kSourceB;
using Strings = std::vector<std::string>;

class ReadingCommandsTest : public test::MessageTreeTest {
protected:
    // Each message node's guid, "*" when it shows as unread, in tree order.
    Strings looks() {
        Strings out;
        for (const TreeNode* node : tree_.nodes()) {
            if (node->parent() != nullptr) {
                const bool unread = node->image() == kImageUnread;
                EXPECT_EQ(node->bold(), unread) << node->tag();
                out.push_back(node->tag() + (unread ? "*" : ""));
            }
        }
        return out;
    }
};

TEST_F(ReadingCommandsTest, MarkSourceReadStoresEveryFlagAtOnceAndTheNodesFollow) {
    writeInbox(kSourceB, InboxSection("b1", "One", "Mon, 05 Dec 2026", "0"));
    reload();
    ASSERT_EQ(looks(), (Strings{"m3*", "m1*", "m2", "b1*"}));
    std::string expected = inboxText();
    for (std::size_t at = 0; (at = expected.find("read=0", at)) != std::string::npos;)
        expected[at + 5] = '1';
    ASSERT_TRUE(MarkSourceRead(context_, *tree_.findNode(kSourceA)));
    EXPECT_EQ(looks(), (Strings{"m3", "m1", "m2", "b1*"}));
    EXPECT_EQ(inboxText(), expected);  // nothing else changed
    EXPECT_FALSE(MarkSourceRead(context_, *tree_.findNode(kSourceB)->child(0)));

    EXPECT_EQ(MarkAllSourcesRead(context_, tree_), 0);
    EXPECT_EQ(looks(), (Strings{"m3", "m1", "m2", "b1"}));
    EXPECT_NE(test::TempDir::read(data_.file("data/") + kSourceB + "/inbox.dat").find("read=1"),
              std::string::npos);
}

TEST_F(ReadingCommandsTest, DamagedOrMissingFlagsAreSetByARewriteThatKeepsEverythingElse) {
    writeInbox(kSourceA, "; kept\r\n" + InboxSection("m1", "One", "Mon, 05 Dec 2026", "x") +
                             "[m2]\r\ntitle=Two\r\ndate=Mon, 05 Dec 2026\r\n" +
                             InboxSection("m3", "Three", "Mon, 05 Dec 2026", "1") +
                             InboxSection("m4", "Four", "Mon, 05 Dec 2026", "70000"));
    reload();
    ASSERT_TRUE(MarkSourceRead(context_, *tree_.findNode(kSourceA)));
    EXPECT_EQ(inboxText(), "; kept\r\n" + InboxSection("m1", "One", "Mon, 05 Dec 2026", "1") +
                               "[m2]\r\ntitle=Two\r\ndate=Mon, 05 Dec 2026\r\nread=1\r\n" +
                               InboxSection("m3", "Three", "Mon, 05 Dec 2026", "1") +
                               InboxSection("m4", "Four", "Mon, 05 Dec 2026", "1"));
    reload();
    EXPECT_EQ(looks(), (Strings{"m1", "m3", "m4", "m2"}));  // m2 has no time: last
}

TEST_F(ReadingCommandsTest, AFailedWriteIsReportedAndTheNodesStayUnread) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into a read-only folder";
    const std::string folder = data_.file("data/") + kSourceA;
    writeInbox(kSourceA, InboxSection("m1", "One", "Mon, 05 Dec 2026", "x"));
    reload();
    ::chmod((folder + "/inbox.dat").c_str(), 0400);
    ::chmod(folder.c_str(), 0500);
    EXPECT_EQ(MarkAllSourcesRead(context_, tree_), 1);
    ::chmod(folder.c_str(), 0700);
    EXPECT_EQ(looks(), (Strings{"m1*"}));
    ASSERT_EQ(seam_.captions(), Strings{"Error!"});
    EXPECT_NE(seam_.boxes[0].text.find("\"Alpha\""), std::string::npos);
}

TEST_F(ReadingCommandsTest, NextUnreadGoesOnFromTheSelectionAcrossSourcesAndWraps) {
    writeInbox(kSourceB, InboxSection("b1", "One", "Mon, 05 Dec 2026", "0") +
                             InboxSection("b2", "Two", "Mon, 05 Dec 2026", "1"));
    reload();
    // Tree order: Alpha (m3*, m1*, m2), Beta (b1*, b2); from nothing, a message or Beta.
    const auto next = [&](const TreeNode* from) {
        const TreeNode* node = NextUnreadMessage(tree_, from);
        return node != nullptr ? node->tag() : std::string("-");
    };
    const std::pair<std::string, const char*> steps[] = {{"", "m3"},   {"m3", "m1"}, {"m1", "b1"},
                                                         {"m2", "b1"}, {"b1", "m3"}, {"B", "b1"},
                                                         {"b2", "m3"}};
    for (const auto& [from, expected] : steps) {
        const TreeNode* node = from.empty()     ? nullptr
                               : from == "B"    ? tree_.findNode(kSourceB)
                               : from[0] == 'b' ? message(from, kSourceB)
                                                : message(from);
        EXPECT_EQ(next(node), expected) << from;
    }
    const TreeNode* onlyB = NextUnreadMessage(tree_, message("b1", kSourceB),
                                              [](const TreeNode& n) { return n.tag() == "b1"; });
    EXPECT_EQ(onlyB, message("b1", kSourceB));  // itself, last
    ASSERT_EQ(MarkAllSourcesRead(context_, tree_), 0);
    EXPECT_EQ(next(message("m1")), "-");
}

}  // namespace
}  // namespace vellorin
