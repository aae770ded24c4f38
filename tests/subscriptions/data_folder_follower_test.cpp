#include "subscriptions/data_folder_follower.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "inbox/inbox_store.h"
#include "subscriptions/subscriptions.h"
#include "view/message_tree_fixture.h"

namespace vellorin {
namespace {

namespace fs = std::filesystem;
using test::kLinkA;
using test::kLinkB;
using test::kSourceA;
using test::kSourceB;
using Strings = std::vector<std::string>;
using Outcome = DataFolderFollower::Outcome;

// Each node of a tree in tree order: depth, text, tag, image and weight.
Strings Shown(const TreeControl& tree) {
    Strings out;
    for (const TreeNode* node : tree.nodes()) {
        out.push_back(std::string(node->parent() ? "  " : "") + node->text() + " | " + node->tag() +
                      " | " + std::to_string(node->image()) + (node->bold() ? " bold" : ""));
    }
    return out;
}

// The message tree of the fixture, followed while a second client of the same data folder (an
// AppContext of its own, as vellorinctl is) changes it.
class DataFolderFollowerTest : public test::MessageTreeTest {
protected:
    DataFolderFollowerTest()
        : other_(AppOptions{app_.path(), data_.file("data"), "", "vellorinctl"}, otherSeam_,
                 clock_) {
        other_.subscriptions.EnsureDataFolder();
    }

    Strings fresh() {
        TreeControl tree("tvMessages");
        other_.subscriptions.LoadSubscriptions(tree);
        return Shown(tree);
    }
    bool act(std::int32_t action, const std::string& guid, const std::string& id = kSourceA) {
        other_.inbox.CurrentSourceID = id;
        other_.inbox.CurrentItem.Guid = guid;
        return other_.inbox.InboxItemAction(action);
    }
    bool source(std::int32_t action, const std::string& link, const std::string& title = "") {
        other_.subscriptions.CurrentSource.Link = link;
        other_.subscriptions.CurrentSource.NewLink = link;
        other_.subscriptions.CurrentSource.NewTitle = title;
        return other_.subscriptions.SourceAction(action);
    }
    std::string selected() const {
        const TreeNode* node = tree_.selectedNode();
        return node ? node->text() : "(none)";
    }

    test::RecordingSeam otherSeam_;
    AppContext other_;
};

TEST_F(DataFolderFollowerTest, TheTreeFollowsAnotherWriterAndKeepsItsPlace) {
    DataFolderFollower follower(context_, tree_);
    tree_.findNode(kSourceA)->setExpanded(true);
    select("m3");
    const auto follows = [&](const char* what, const std::function<void()>& change,
                             const char* selectedAfter = "Newest") {
        SCOPED_TRACE(what);
        change();
        EXPECT_EQ(follower.follow(), Outcome::kFollowed);
        EXPECT_EQ(Shown(tree_), fresh());
        EXPECT_TRUE(tree_.findNode(kSourceA)->expanded());
        EXPECT_EQ(selected(), selectedAfter);
        EXPECT_EQ(follower.follow(), Outcome::kUnchanged);
    };
    follows("renamed", [&] { ASSERT_TRUE(source(mSubscriptions::UpdateSource, kLinkA, "Zeta")); });
    follows("marked read", [&] { ASSERT_TRUE(act(mInbox::MarkRead, "m1")); });
    follows("deleted", [&] { ASSERT_TRUE(act(mInbox::DeleteItem, "m2")); });
    follows("unsubscribed", [&] {
        ASSERT_TRUE(source(mSubscriptions::RemoveSource, kLinkB));
        ASSERT_TRUE(other_.subscriptions.RemoveSourceFolder(kSourceB));
    });
    follows(
        "selected message deleted", [&] { ASSERT_TRUE(act(mInbox::DeleteItem, "m3")); }, "Zeta");
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(DataFolderFollowerTest, ChangesTheTreeAlreadyShowsCostNoReload) {
    DataFolderFollower follower(context_, tree_);
    // This client's own check run: messages stored, then the source loaded again.
    context_.inbox.CurrentSourceID = kSourceA;
    context_.inbox.LoadLatestStamp();
    InboxItem item{"Own", "<p>own</p>", "Wed, 07 Dec 2026", "09:00:00", "+0000", "own1", 0};
    ASSERT_EQ(context_.inbox.SaveItems({&item, 1}).stored, 1);
    context_.inbox.LoadInbox(tree_);
    tree_.findNode(kSourceA)->setExpanded(true);
    select("own1");
    EXPECT_EQ(follower.follow(), Outcome::kUnchanged);
    EXPECT_EQ(selected(), "Own");

    ASSERT_TRUE(act(mInbox::MarkRead, "own1"));
    selectSource();
    ASSERT_TRUE(tree_.startLabelEdit());
    EXPECT_EQ(follower.follow(), Outcome::kWait);
    tree_.abandonLabelEdit();
    EXPECT_EQ(follower.follow(), Outcome::kFollowed);
    EXPECT_EQ(Shown(tree_), fresh());
}

}  // namespace
}  // namespace vellorin
