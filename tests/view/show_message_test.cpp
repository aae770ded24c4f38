#include "view/show_message.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "view/message_tree_fixture.h"

namespace vellorin {
namespace {

using test::TempDir;

class ShowMessageTest : public test::MessageTreeTest {};

TEST_F(ShowMessageTest, RendersThePageAndOpensAWindowWithTheShortTitle) {
    writeTemplate("From: FN(FEML) Reply: RT(REML) DT | SL | DESC");
    ShowMessageResult result = ShowMessage(context_, windows_, test::kSourceA, "m1");

    EXPECT_EQ(result.outcome, ShowOutcome::Opened);
    EXPECT_EQ(result.pagePath, pagePath());
    // Header values keep the line break before the next label, as ParseHeader gives them.
    EXPECT_EQ(TempDir::read(pagePath()),
              "From: Jane Roe  (jane@example.com\r\n) Reply: Desk (desk@example.com\r\n) "
              "Mon, 05 Dec 2026 08:56:31\r\n | Weekly report\r\n | </style><p>Hello</p>\r\n");
    ASSERT_EQ(windows_.opened.size(), 1u);
    EXPECT_EQ(windows_.opened[0].guid, "m1");
    EXPECT_EQ(windows_.opened[0].caption, "Weekly report number one ...");
    EXPECT_EQ(windows_.opened[0].pagePath, pagePath());
    EXPECT_EQ(context_.inbox.CurrentSourceID, test::kSourceA);
    EXPECT_EQ(context_.inbox.CurrentItem.Guid, "m1");
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(ShowMessageTest, AnOpenMessageIsBroughtForwardWithoutRewritingThePage) {
    writeTemplate("SL");
    data_.write("data/item.htm", "earlier page");
    windows_.open.insert("m1");

    ShowMessageResult result = ShowMessage(context_, windows_, test::kSourceA, "m1");

    EXPECT_EQ(result.outcome, ShowOutcome::AlreadyOpen);
    EXPECT_EQ(windows_.searched, std::vector<std::string>{"m1"});
    EXPECT_TRUE(windows_.opened.empty());
    EXPECT_EQ(TempDir::read(pagePath()), "earlier page");
    // The message is current all the same, so that marking it read acts on it.
    EXPECT_EQ(context_.inbox.CurrentItem.Guid, "m1");
}

TEST_F(ShowMessageTest, FailuresOpenNoWindow) {
    struct Case {
        const char* name;
        const char* source;
        const char* guid;
        bool withTemplate;
        ShowOutcome outcome;
        std::vector<std::string> captions;
    } cases[] = {
        {"unknown guid", test::kSourceA, "nope", true, ShowOutcome::NotStored, {}},
        {"guid differs in case", test::kSourceA, "M1", true, ShowOutcome::NotStored, {}},
        {"source without inbox", test::kSourceB, "m1", true, ShowOutcome::NotStored, {}},
        {"template missing", test::kSourceA, "m1", false, ShowOutcome::NoPage, {"Error!"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(app_.file("view.tpl"));
        if (c.withTemplate)
            writeTemplate("SL");
        seam_.clear();
        windows_.opened.clear();

        ShowMessageResult result = ShowMessage(context_, windows_, c.source, c.guid);

        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_TRUE(windows_.opened.empty());
        EXPECT_FALSE(std::filesystem::exists(pagePath()));
        EXPECT_EQ(seam_.captions(), c.captions);
    }
    ASSERT_FALSE(seam_.boxes.empty());
    EXPECT_EQ(seam_.boxes[0].icon, MsgIcon::Critical);
    EXPECT_EQ(seam_.boxes[0].text,
              "Message details can't be shown. Required Data file to present item description "
              "is missing! Please reinstall the application to resolve this issue.");
}

TEST_F(ShowMessageTest, ShowingTheSelectedMessageMarksItReadOnce) {
    writeTemplate("SL");
    select("m1");
    ASSERT_TRUE(message("m1")->bold());

    std::optional<ShowMessageResult> first = ShowSelectedMessage(context_, tree_, windows_);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->outcome, ShowOutcome::Opened);
    EXPECT_EQ(message("m1")->image(), kImageRead);
    EXPECT_FALSE(message("m1")->bold());
    EXPECT_EQ(storedRead("m1"), "1");

    // Again: the open window is brought forward; nothing else changes.
    const std::string before = inboxText();
    std::optional<ShowMessageResult> second = ShowSelectedMessage(context_, tree_, windows_);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->outcome, ShowOutcome::AlreadyOpen);
    EXPECT_EQ(windows_.opened.size(), 1u);
    EXPECT_EQ(inboxText(), before);
}

TEST_F(ShowMessageTest, AFailedShowStillMarksTheMessageRead) {
    select("m3");  // no template
    std::optional<ShowMessageResult> result = ShowSelectedMessage(context_, tree_, windows_);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->outcome, ShowOutcome::NoPage);
    EXPECT_EQ(message("m3")->image(), kImageRead);
    EXPECT_EQ(storedRead("m3"), "1");
}

TEST_F(ShowMessageTest, OnlyMessageNodesAreShown) {
    writeTemplate("SL");
    EXPECT_FALSE(ShowSelectedMessage(context_, tree_, windows_));  // nothing selected
    selectSource();
    EXPECT_FALSE(ShowSelectedMessage(context_, tree_, windows_));
    EXPECT_TRUE(windows_.searched.empty());
    EXPECT_TRUE(windows_.opened.empty());
}

TEST_F(ShowMessageTest, ATreeRebuiltWhileTheWindowOpensIsNotTouchedThroughOldNodes) {
    writeTemplate("SL");
    select("m1");
    // Opening the window lets events run; a check run reloads the tree, replacing every node.
    windows_.onOpen = [this] { reload(); };
    ASSERT_TRUE(ShowSelectedMessage(context_, tree_, windows_));
    // The node that stands for the message now is the one marked read.
    ASSERT_NE(message("m1"), nullptr);
    EXPECT_EQ(message("m1")->image(), kImageRead);
    EXPECT_EQ(storedRead("m1"), "1");
}

TEST_F(ShowMessageTest, TheMessageNamedAgainIsMarkedReadAfterOtherWorkMadeAnotherCurrent) {
    writeTemplate("SL");
    select("m1");
    windows_.onOpen = [this] {
        context_.inbox.CurrentSourceID = test::kSourceB;
        context_.inbox.CurrentItem.Guid = "m3";
    };
    ASSERT_TRUE(ShowSelectedMessage(context_, tree_, windows_));
    EXPECT_EQ(storedRead("m1"), "1");
    EXPECT_EQ(storedRead("m3"), "0");
}

}  // namespace
}  // namespace vellorin
