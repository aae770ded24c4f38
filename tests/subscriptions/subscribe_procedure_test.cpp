#include "subscriptions/subscribe_procedure.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "view/message_tree_fixture.h"

namespace vellorin {
namespace {

namespace fs = std::filesystem;
using test::kLinkA;
using test::kLinkB;
using test::kSourceA;
using test::kSourceB;

class SubscribeProcedureTest : public test::MessageTreeTest {
protected:
    // The sources as the manager's tree shows them: key, text, tag.
    std::vector<std::string> managerRows() {
        context_.subscriptions.LoadSubscriptions(sources_);
        std::vector<std::string> rows;
        const TreeNode* root = sources_.findNode("main");
        for (int i = 0; root && i < root->childCount(); ++i) {
            const TreeNode* n = root->child(i);
            rows.push_back(n->key() + "|" + n->text() + "|" + n->tag());
        }
        return rows;
    }
    void selectManagerSource(const std::string& id) {
        context_.subscriptions.LoadSubscriptions(sources_);
        ASSERT_TRUE(sources_.setSelectedNode(sources_.findNode(id)));
    }
    std::vector<std::string> topTexts() const {
        std::vector<std::string> out;
        for (int i = 0; i < tree_.topLevelCount(); ++i)
            out.push_back(tree_.topLevelNode(i)->text());
        return out;
    }

    TreeControl sources_{"tvSources"};
};

struct Refusal {
    const char* name;
    std::string title;
    std::string link;
    const char* caption;
    const char* text;
    MsgIcon icon;
    InputField focus;
    bool selectLink;
};

TEST_F(SubscribeProcedureTest, TheDialogRefusesWhatItCannotSubscribe) {
    const Refusal cases[] = {
        {"blank title", "   ", "http://www.vellorin.net/feeds/new", "Title?",
         "Please specify a Title for Message Source.", MsgIcon::Information, InputField::Title,
         false},
        {"blank link", "New", " ", "Link?", "Please specify the URL Link of Message Source.",
         MsgIcon::Information, InputField::Link, false},
        {"not the service", "New", "http://example.com/feed", "Invalid Vellorin Source Link.",
         "Invalid Vellorin Message Source Link. Please specify a correct Vellorin Source Link in "
         "\"Source Link\" field.",
         MsgIcon::Exclamation, InputField::Link, true},
        {"already subscribed", "Again", kLinkA, "Already Subscribed!",
         "You have already subscribed to this Message channel!", MsgIcon::Exclamation,
         InputField::None, false},
    };
    const std::string before = listText();
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.name);
        seam_.clear();
        ProcedureResult r = SubscribeNow(context_, tree_, c.title, c.link);
        EXPECT_FALSE(r.done);
        EXPECT_EQ(r.focus, c.focus);
        EXPECT_EQ(r.selectLink, c.selectLink);
        ASSERT_EQ(seam_.boxes.size(), 1u);
        EXPECT_EQ(seam_.boxes[0].caption, c.caption);
        EXPECT_EQ(seam_.boxes[0].text, c.text);
        EXPECT_EQ(seam_.boxes[0].icon, c.icon);
    }
    EXPECT_EQ(listText(), before);
}

TEST_F(SubscribeProcedureTest, SubscribingStoresTheFieldsAsTypedAndReloadsTheTree) {
    const std::string link = " http://www.VELLORIN.net/feeds/alpha/ ";  // differs from kLinkA
    ProcedureResult r = SubscribeNow(context_, tree_, " Gamma", link);
    EXPECT_TRUE(r.done);
    ASSERT_EQ(seam_.boxes.size(), 1u);
    EXPECT_EQ(seam_.boxes[0].caption, "Done!");
    EXPECT_EQ(seam_.boxes[0].text, "New Source successfully Added to Subscription List!");
    EXPECT_EQ(seam_.boxes[0].icon, MsgIcon::Information);

    std::vector<std::string> rows = managerRows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2].substr(36), "| Gamma|" + link);
    // In title order (" Gamma" sorts first), with no messages until it is checked.
    EXPECT_EQ(topTexts(), (std::vector<std::string>{" Gamma", "Alpha", "Beta"}));
    EXPECT_EQ(tree_.topLevelNode(0)->childCount(), 0);
}

TEST_F(SubscribeProcedureTest, AListThatCannotBeOpenedEndsInTheErrorBox) {
    fs::remove(data_.file("data/subscriptions.dat"));
    ProcedureResult r = SubscribeNow(context_, tree_, "New", "http://www.vellorin.net/feeds/new");
    EXPECT_FALSE(r.done);
    EXPECT_EQ(seam_.captions(),
              (std::vector<std::string>{"Subscription Data File not found!",
                                        "Subscription Data File not found!", "Error!"}));
    EXPECT_EQ(seam_.boxes.back().text,
              "Sorry; failed to add New Source to Subscription List. Please check the URL and "
              "try again ...");
}

TEST_F(SubscribeProcedureTest, TheManagerRefusesBadInputInBothModes) {
    const Refusal cases[] = {
        {"blank title", "", kLinkA, "Title?", "Please specify Title for Message Source.",
         MsgIcon::Exclamation, InputField::Title, false},
        {"blank link", "T", "  ", "Message Source Link?", "Please specify Message Source Link.",
         MsgIcon::Exclamation, InputField::Link, false},
        {"not the service", "T", "ftp://example.org", "Invalid Link!",
         "You've specified invalid Message Source Link. Please specify correct Vellorin Message "
         "Source URL.",
         MsgIcon::Exclamation, InputField::Link, true},
    };
    const std::string before = listText();
    for (bool editMode : {false, true}) {
        SourceEditState state{editMode, kSourceA, "Alpha", kLinkA};
        for (const Refusal& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (editMode ? " (edit)" : " (add)"));
            seam_.clear();
            ProcedureResult r = SaveSource(context_, sources_, state, c.title, c.link);
            EXPECT_FALSE(r.done);
            EXPECT_EQ(r.focus, c.focus);
            EXPECT_EQ(r.selectLink, c.selectLink);
            ASSERT_EQ(seam_.boxes.size(), 1u);
            EXPECT_EQ(seam_.boxes[0].caption, c.caption);
            EXPECT_EQ(seam_.boxes[0].text, c.text);
            EXPECT_EQ(seam_.boxes[0].icon, c.icon);
        }
    }
    EXPECT_EQ(listText(), before);
}

TEST_F(SubscribeProcedureTest, TheManagerAddsOnlyNewLinks) {
    SourceEditState add;
    ProcedureResult r = SaveSource(context_, sources_, add, "Alpha again", kLinkA);
    EXPECT_FALSE(r.done);
    EXPECT_EQ(seam_.captions(), std::vector<std::string>{"Already Subscribed!"});

    seam_.clear();
    r = SaveSource(context_, sources_, add, "Gamma", "http://www.vellorin.net/feeds/gamma");
    EXPECT_TRUE(r.done);
    ASSERT_EQ(seam_.boxes.size(), 1u);
    EXPECT_EQ(seam_.boxes[0].text, "New Message Source is succcessfully Subscribed!");
    EXPECT_EQ(sources_.findNode("main")->childCount(), 3);  // reloaded
}

TEST_F(SubscribeProcedureTest, EditingKeepsTheIdentifierAndMayRepeatALink) {
    selectManagerSource(kSourceA);
    std::optional<SourceEditState> state = EditStateForSelection(sources_);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->id, kSourceA);
    EXPECT_EQ(state->title, "Alpha");
    EXPECT_EQ(state->link, kLinkA);

    ProcedureResult r = SaveSource(context_, sources_, *state, "Alpha 2", state->link);
    EXPECT_TRUE(r.done);
    EXPECT_EQ(seam_.boxes.at(0).text, "Message Source Details are successfully Saved!");
    std::vector<std::string> rows = managerRows();
    EXPECT_EQ(rows.at(0), std::string(kSourceA) + "|Alpha 2|" + kLinkA);
    EXPECT_TRUE(fs::exists(data_.file(std::string("data/") + kSourceA + "/inbox.dat")));

    // A link may become another source's link: no duplicate test in edit mode.
    r = SaveSource(context_, sources_, {true, kSourceA, "Alpha 2", kLinkA}, "Alpha 2", kLinkB);
    EXPECT_TRUE(r.done);
    rows = managerRows();
    EXPECT_EQ(rows.at(0), std::string(kSourceA) + "|Alpha 2|" + kLinkB);
    EXPECT_EQ(rows.at(1), std::string(kSourceB) + "|Beta|" + kLinkB);
}

TEST_F(SubscribeProcedureTest, EditingTheRootFindsNoSourceAndSaysNothing) {
    context_.subscriptions.LoadSubscriptions(sources_);
    ASSERT_TRUE(sources_.setSelectedNode(sources_.findNode("main")));
    std::optional<SourceEditState> state = EditStateForSelection(sources_);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->title, "Sources");
    EXPECT_EQ(state->link, "");
    const std::string before = listText();
    ProcedureResult r =
        SaveSource(context_, sources_, *state, "Sources", kLinkA + std::string("x"));
    EXPECT_FALSE(r.done);
    EXPECT_TRUE(seam_.boxes.empty());
    EXPECT_EQ(listText(), before);
}

TEST_F(SubscribeProcedureTest, UnsubscribeAsksFirstAndNoChangesNothing) {
    selectManagerSource(kSourceA);
    const std::string before = listText();
    seam_.answers = {MsgAnswer::No};
    UnsubscribeResult r = UnsubscribeSelected(context_, sources_);
    EXPECT_TRUE(r.asked);
    EXPECT_FALSE(r.removed);
    ASSERT_EQ(seam_.boxes.size(), 1u);
    const MessageBoxRequest& box = seam_.boxes[0];
    EXPECT_EQ(box.caption, "Unsubscribe Alpha??");
    EXPECT_EQ(box.text,
              "Are you sure you want to Unsubscribe Alpha message source? Please note that once "
              "you Unsubscribe, all offline Message content will also be lost.\r\n\r\nContinue??");
    EXPECT_EQ(box.icon, MsgIcon::Question);
    EXPECT_EQ(box.buttons, MsgButtons::YesNo);
    EXPECT_EQ(box.defaultButton, MsgDefault::Second);
    EXPECT_EQ(listText(), before);
    EXPECT_TRUE(fs::exists(data_.file(std::string("data/") + kSourceA + "/inbox.dat")));
}

TEST_F(SubscribeProcedureTest, UnsubscribeRemovesTheSourceAndItsMessages) {
    selectManagerSource(kSourceA);
    seam_.answers = {MsgAnswer::Yes};
    UnsubscribeResult r = UnsubscribeSelected(context_, sources_);
    EXPECT_TRUE(r.removed);
    EXPECT_TRUE(r.folderRemoved);
    EXPECT_FALSE(fs::exists(data_.file(std::string("data/") + kSourceA)));
    EXPECT_TRUE(fs::exists(data_.file(std::string("data/") + kSourceB)));
    EXPECT_EQ(sources_.findNode(kSourceA), nullptr);  // reloaded
    EXPECT_EQ(managerRows(), std::vector<std::string>{std::string(kSourceB) + "|Beta|" + kLinkB});
    reload();
    EXPECT_EQ(tree_.findNode(kSourceA), nullptr);
}

TEST_F(SubscribeProcedureTest, UnsubscribeDoesNothingForTheRootOrNoSelection) {
    context_.subscriptions.LoadSubscriptions(sources_);
    EXPECT_FALSE(UnsubscribeSelected(context_, sources_).asked);
    ASSERT_TRUE(sources_.setSelectedNode(sources_.findNode("main")));
    EXPECT_FALSE(UnsubscribeSelected(context_, sources_).asked);
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(SubscribeProcedureTest, AnOddIdentifierNeverDeletesAFolderOutsideTheInbox) {
    // Hand-edited lists: identifiers that would name the data folder itself or a path beside it.
    fs::create_directories(data_.file("outside"));
    data_.write("outside/keep.txt", "keep");
    for (const char* id : {"..", "../outside", ".", "not-an-identifier"}) {
        SCOPED_TRACE(id);
        writeList({{id, "Odd", "http://www.vellorin.net/feeds/odd"}, {kSourceB, "Beta", kLinkB}});
        selectManagerSource(id);
        seam_.answers = {MsgAnswer::Yes};
        UnsubscribeResult r = UnsubscribeSelected(context_, sources_);
        EXPECT_TRUE(r.removed);
        EXPECT_FALSE(r.folderRemoved);
        EXPECT_EQ(listText().find("Odd"), std::string::npos);
        EXPECT_TRUE(fs::exists(data_.file("outside/keep.txt")));
        EXPECT_TRUE(fs::exists(data_.file("data/subscriptions.dat")));
        EXPECT_TRUE(fs::exists(data_.file(std::string("data/") + kSourceA + "/inbox.dat")));
    }
}

TEST_F(SubscribeProcedureTest, UnsubscribeSurvivesATreeReloadDuringTheQuestion) {
    selectManagerSource(kSourceA);
    seam_.answers = {MsgAnswer::Yes};
    seam_.duringBox = [this] { context_.subscriptions.LoadSubscriptions(sources_); };
    UnsubscribeResult r = UnsubscribeSelected(context_, sources_);
    EXPECT_TRUE(r.removed);
    EXPECT_TRUE(r.folderRemoved);
}

}  // namespace
}  // namespace vellorin
