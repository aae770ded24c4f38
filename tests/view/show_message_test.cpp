#include "view/show_message.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "view/message_tree_fixture.h"

namespace vellorin {
namespace {

using test::kSourceA;
using test::kSourceB;
using test::TempDir;

class ShowMessageTest : public test::MessageTreeTest {};

TEST_F(ShowMessageTest, RendersThePageAndOpensAWindowWithTheShortTitle) {
    writeTemplate("From: FN(FEML) Reply: RT(REML) DT | SL | DESC");
    ShowMessageResult result = ShowMessage(context_, windows_, kSourceA, "m1");
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
    EXPECT_EQ(context_.inbox.CurrentSourceID, kSourceA);
    EXPECT_EQ(context_.inbox.CurrentItem.Guid, "m1");
    EXPECT_TRUE(seam_.boxes.empty());

    // Shown again: the open window is brought forward, the page is not rewritten.
    data_.write("data/item.htm", "earlier page");
    context_.inbox.CurrentItem.Guid.clear();
    EXPECT_EQ(ShowMessage(context_, windows_, kSourceA, "m1").outcome, ShowOutcome::AlreadyOpen);
    EXPECT_EQ(windows_.searched, (std::vector<std::string>{"m1", "m1"}));
    EXPECT_EQ(windows_.opened.size(), 1u);
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
        {"unknown guid", kSourceA, "nope", true, ShowOutcome::NotStored, {}},
        {"guid differs in case", kSourceA, "M1", true, ShowOutcome::NotStored, {}},
        {"source without inbox", kSourceB, "m1", true, ShowOutcome::NotStored, {}},
        {"template missing", kSourceA, "m1", false, ShowOutcome::NoPage, {"Error!"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(app_.file("view.tpl"));
        if (c.withTemplate)
            writeTemplate("SL");
        seam_.clear();
        EXPECT_EQ(ShowMessage(context_, windows_, c.source, c.guid).outcome, c.outcome);
        EXPECT_TRUE(windows_.opened.empty());
        EXPECT_FALSE(std::filesystem::exists(pagePath()));
        EXPECT_EQ(seam_.captions(), c.captions);
    }
}

TEST_F(ShowMessageTest, ShowingTheSelectedMessageMarksItReadOnceWhateverTheOutcome) {
    writeTemplate("SL");
    selectSource();
    EXPECT_FALSE(ShowSelectedMessage(context_, tree_, windows_));  // not a message
    select("m1");
    ASSERT_TRUE(message("m1")->bold());
    std::optional<ShowMessageResult> shown = ShowSelectedMessage(context_, tree_, windows_);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->outcome, ShowOutcome::Opened);
    EXPECT_EQ(message("m1")->image(), kImageRead);
    EXPECT_FALSE(message("m1")->bold());
    EXPECT_EQ(storedRead("m1"), "1");
    // Again: the open window is brought forward; nothing else changes.
    const std::string before = inboxText();
    shown = ShowSelectedMessage(context_, tree_, windows_);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->outcome, ShowOutcome::AlreadyOpen);
    EXPECT_EQ(windows_.opened.size(), 1u);
    EXPECT_EQ(inboxText(), before);

    // A message whose page cannot be shown is read all the same.
    std::filesystem::remove(app_.file("view.tpl"));
    select("m3");
    shown = ShowSelectedMessage(context_, tree_, windows_);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->outcome, ShowOutcome::NoPage);
    EXPECT_EQ(message("m3")->image(), kImageRead);
    EXPECT_EQ(storedRead("m3"), "1");
}

TEST_F(ShowMessageTest, WorkDoneWhileTheWindowOpensDoesNotMisdirectTheReadMark) {
    writeTemplate("SL");
    // Other work makes another message current: the one shown is still the one marked.
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
