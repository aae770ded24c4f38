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
    // The sources as the manager's tree shows them after a reload: key|text|tag.
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
    void selectManagerNode(const std::string& key) {
        context_.subscriptions.LoadSubscriptions(sources_);
        ASSERT_TRUE(sources_.setSelectedNode(sources_.findNode(key)));
    }
    bool inboxExists(const std::string& id) const {
        return fs::exists(data_.file("data/" + id + "/inbox.dat"));
    }

    TreeControl sources_{"tvSources"};
};

TEST_F(SubscribeProcedureTest, TheDialogAndTheManagerRefuseWhatTheyCannotSubscribe) {
    enum Where { Dialog, Manager, ManagerAdd };  // Manager: in add and in edit mode
    struct Refusal {
        Where where;
        std::string title, link;
        const char* caption;
        const char* text;
        MsgIcon icon;
        InputField focus;
        bool selectLink;
    };
    const Refusal cases[] = {
        {Dialog, "   ", "http://www.vellorin.net/feeds/new", "Title?",
         "Please specify a Title for Message Source.", MsgIcon::Information, InputField::Title,
         false},
        {Dialog, "New", " ", "Link?", "Please specify the URL Link of Message Source.",
         MsgIcon::Information, InputField::Link, false},
        {Dialog, "New", "http://example.com/feed", "Invalid Vellorin Source Link.",
         "Invalid Vellorin Message Source Link. Please specify a correct Vellorin Source Link in "
         "\"Source Link\" field.",
         MsgIcon::Exclamation, InputField::Link, true},
        {Dialog, "Again", kLinkA, "Already Subscribed!",
         "You have already subscribed to this Message channel!", MsgIcon::Exclamation,
         InputField::None, false},
        {Manager, "", kLinkA, "Title?", "Please specify Title for Message Source.",
         MsgIcon::Exclamation, InputField::Title, false},
        {Manager, "T", "  ", "Message Source Link?", "Please specify Message Source Link.",
         MsgIcon::Exclamation, InputField::Link, false},
        {Manager, "T", "ftp://example.org", "Invalid Link!",
         "You've specified invalid Message Source Link. Please specify correct Vellorin Message "
         "Source URL.",
         MsgIcon::Exclamation, InputField::Link, true},
        {ManagerAdd, "Alpha again", kLinkA, "Already Subscribed!",
         "You have already subscribed to this Message channel!", MsgIcon::Exclamation,
         InputField::None, false},
    };
    const std::string before = listText();
    for (const Refusal& c : cases) {
        for (bool editMode : {false, true}) {
            if ((c.where == Dialog || c.where == ManagerAdd) && editMode)
                continue;
            SCOPED_TRACE(std::string(c.caption) + (editMode ? " (edit)" : ""));
            seam_.clear();
            ProcedureResult r =
                c.where == Dialog
                    ? SubscribeNow(context_, tree_, c.title, c.link)
                    : SaveSource(context_, sources_, {editMode, kSourceA, "Alpha", kLinkA}, c.title,
                                 c.link);
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
    // The message tree shows it first (" Gamma" sorts first), without messages.
    ASSERT_EQ(tree_.topLevelCount(), 3);
    EXPECT_EQ(tree_.topLevelNode(0)->text(), " Gamma");
    EXPECT_EQ(tree_.topLevelNode(0)->childCount(), 0);

    // The manager adds a new link the same way, with its own box.
    seam_.clear();
    r = SaveSource(context_, sources_, {}, "Delta", "http://www.vellorin.net/feeds/delta");
    EXPECT_TRUE(r.done);
    EXPECT_EQ(seam_.captions(), std::vector<std::string>{"Done!"});
    EXPECT_EQ(seam_.boxes[0].text, "New Message Source is succcessfully Subscribed!");
    EXPECT_EQ(sources_.findNode("main")->childCount(), 4);  // reloaded
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

TEST_F(SubscribeProcedureTest, EditingKeepsTheIdentifierAndMayRepeatALink) {
    selectManagerNode(kSourceA);
    std::optional<SourceEditState> state = EditStateForSelection(sources_);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->id, kSourceA);
    EXPECT_EQ(state->title, "Alpha");
    EXPECT_EQ(state->link, kLinkA);

    EXPECT_TRUE(SaveSource(context_, sources_, *state, "Alpha 2", state->link).done);
    EXPECT_EQ(seam_.boxes.at(0).text, "Message Source Details are successfully Saved!");
    EXPECT_EQ(managerRows().at(0), std::string(kSourceA) + "|Alpha 2|" + kLinkA);
    EXPECT_TRUE(inboxExists(kSourceA));

    // A link may become another source's link: no duplicate test in edit mode.
    EXPECT_TRUE(
        SaveSource(context_, sources_, {true, kSourceA, "Alpha 2", kLinkA}, "Alpha 2", kLinkB)
            .done);
    EXPECT_EQ(managerRows(), (std::vector<std::string>{std::string(kSourceA) + "|Alpha 2|" + kLinkB,
                                                       std::string(kSourceB) + "|Beta|" + kLinkB}));
}

TEST_F(SubscribeProcedureTest, UnsubscribeAsksFirstThenRemovesTheSourceAndItsMessages) {
    (void)sources_.setSelectedNode(nullptr);
    EXPECT_FALSE(UnsubscribeSelected(context_, sources_).asked);  // nothing selected
    selectManagerNode("main");
    EXPECT_FALSE(UnsubscribeSelected(context_, sources_).asked);
    EXPECT_TRUE(seam_.boxes.empty());

    selectManagerNode(kSourceA);
    const std::string before = listText();
    seam_.answers = {MsgAnswer::No, MsgAnswer::Yes};
    EXPECT_FALSE(UnsubscribeSelected(context_, sources_).removed);
    ASSERT_EQ(seam_.boxes.size(), 1u);
    const MessageBoxRequest box = seam_.boxes[0];
    EXPECT_EQ(box.caption, "Unsubscribe Alpha??");
    EXPECT_EQ(box.text,
              "Are you sure you want to Unsubscribe Alpha message source? Please note that once "
              "you Unsubscribe, all offline Message content will also be lost.\r\n\r\nContinue??");
    EXPECT_EQ(box.icon, MsgIcon::Question);
    EXPECT_EQ(box.buttons, MsgButtons::YesNo);
    EXPECT_EQ(box.defaultButton, MsgDefault::Second);
    EXPECT_EQ(listText(), before);
    EXPECT_TRUE(inboxExists(kSourceA));

    // Yes. The question lets events run; a reload replaces the node it was asked about.
    seam_.duringBox = [this] { context_.subscriptions.LoadSubscriptions(sources_); };
    UnsubscribeResult r = UnsubscribeSelected(context_, sources_);
    EXPECT_TRUE(r.removed);
    EXPECT_TRUE(r.folderRemoved);
    EXPECT_FALSE(fs::exists(data_.file(std::string("data/") + kSourceA)));
    EXPECT_TRUE(fs::exists(data_.file(std::string("data/") + kSourceB)));
    EXPECT_EQ(sources_.findNode(kSourceA), nullptr);  // reloaded
    EXPECT_EQ(managerRows(), std::vector<std::string>{std::string(kSourceB) + "|Beta|" + kLinkB});
}

TEST_F(SubscribeProcedureTest, AnOddIdentifierNeverDeletesAFolderOutsideTheInbox) {
    // Hand-edited lists: identifiers that would name the data folder itself or a path beside it.
    data_.write("outside/keep.txt", "keep");
    for (const char* id : {"..", "../outside", ".", "not-an-identifier"}) {
        SCOPED_TRACE(id);
        writeList({{id, "Odd", "http://www.vellorin.net/feeds/odd"}, {kSourceB, "Beta", kLinkB}});
        selectManagerNode(id);
        seam_.answers = {MsgAnswer::Yes};
        UnsubscribeResult r = UnsubscribeSelected(context_, sources_);
        EXPECT_TRUE(r.removed);
        EXPECT_FALSE(r.folderRemoved);
        EXPECT_EQ(listText().find("Odd"), std::string::npos);
        EXPECT_TRUE(fs::exists(data_.file("outside/keep.txt")));
        EXPECT_TRUE(fs::exists(data_.file("data/subscriptions.dat")));
        EXPECT_TRUE(inboxExists(kSourceA));
    }
}

}  // namespace
}  // namespace vellorin
