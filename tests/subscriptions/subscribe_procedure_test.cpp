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
using Rows = std::vector<std::string>;

class SubscribeProcedureTest : public test::MessageTreeTest {
protected:
    // The sources as the manager's tree shows them after a reload: key|text|tag.
    Rows managerRows() {
        context_.subscriptions.LoadSubscriptions(sources_);
        return shownRows();
    }
    // The sources as the manager's tree shows them now.
    Rows shownRows() const {
        Rows rows;
        const TreeNode* root = sources_.findNode("main");
        for (int i = 0; root && i < root->childCount(); ++i)
            rows.push_back(root->child(i)->key() + "|" + root->child(i)->text() + "|" +
                           root->child(i)->tag());
        return rows;
    }

    TreeControl sources_{"tvSources"};
};

TEST_F(SubscribeProcedureTest, TheDialogAndTheManagerRefuseWhatTheyCannotSubscribe) {
    struct Refusal {
        bool dialog;
        std::string title, link;
        const char* caption;
        const char* text;
        MsgIcon icon;
        InputField focus;
        bool selectLink;
    };
    const Refusal cases[] = {
        {true, "   ", "http://www.vellorin.net/feeds/new", "Title?",
         "Please specify a Title for Message Source.", MsgIcon::Information, InputField::Title,
         false},
        {true, "New", " ", "Link?", "Please specify the URL Link of Message Source.",
         MsgIcon::Information, InputField::Link, false},
        {true, "New", "http://example.com/feed", "Invalid Vellorin Source Link.",
         "Invalid Vellorin Message Source Link. Please specify a correct Vellorin Source Link in "
         "\"Source Link\" field.",
         MsgIcon::Exclamation, InputField::Link, true},
        {true, "Again", kLinkA, "Already Subscribed!",
         "You have already subscribed to this Message channel!", MsgIcon::Exclamation,
         InputField::None, false},
        {false, "", kLinkA, "Title?", "Please specify Title for Message Source.",
         MsgIcon::Exclamation, InputField::Title, false},
        {false, "T", "  ", "Message Source Link?", "Please specify Message Source Link.",
         MsgIcon::Exclamation, InputField::Link, false},
        {false, "T", "ftp://example.org", "Invalid Link!",
         "You've specified invalid Message Source Link. Please specify correct Vellorin Message "
         "Source URL.",
         MsgIcon::Exclamation, InputField::Link, true},
        {false, "Again", kLinkA, "Already Subscribed!",
         "You have already subscribed to this Message channel!", MsgIcon::Exclamation,
         InputField::None, false},
    };
    const std::string before = listText();
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.caption);
        seam_.clear();
        ProcedureResult r = c.dialog ? SubscribeNow(context_, tree_, c.title, c.link)
                                     : SaveSource(context_, sources_, {}, c.title, c.link);
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

TEST_F(SubscribeProcedureTest, SubscribingStoresTheFieldsAsTypedOrEndsInTheErrorBox) {
    const std::string link = " http://www.VELLORIN.net/feeds/alpha/ ";  // differs from kLinkA
    EXPECT_TRUE(SubscribeNow(context_, tree_, " Gamma", link).done);
    EXPECT_EQ(seam_.captions(), Rows{"Done!"});
    EXPECT_EQ(seam_.boxes[0].text, "New Source successfully Added to Subscription List!");
    EXPECT_EQ(seam_.boxes[0].icon, MsgIcon::Information);
    const Rows rows = managerRows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2].substr(36), "| Gamma|" + link);
    EXPECT_EQ(tree_.topLevelNode(0)->text(), " Gamma");  // reloaded
    // A link differing from a subscribed one only in letter case or a trailing slash is new.
    for (const char* twin :
         {"http://www.vellorin.net/feeds/ALPHA", "http://www.vellorin.net/feeds/alpha/"})
        EXPECT_TRUE(SubscribeNow(context_, tree_, "Twin", twin).done) << twin;

    fs::remove(data_.file("data/subscriptions.dat"));
    seam_.clear();
    EXPECT_FALSE(SubscribeNow(context_, tree_, "New", "http://www.vellorin.net/feeds/new").done);
    EXPECT_EQ(seam_.captions(), (Rows{"Subscription Data File not found!",
                                      "Subscription Data File not found!", "Error!"}));
    EXPECT_EQ(seam_.boxes.back().text,
              "Sorry; failed to add New Source to Subscription List. Please check the URL and "
              "try again ...");
    EXPECT_EQ(seam_.boxes.back().icon, MsgIcon::Exclamation);
}

TEST_F(SubscribeProcedureTest, EditingRefusesAnotherSourcesLinkAndTellsOfARemovedSource) {
    const SourceEditState alpha{true, kSourceA, "Alpha", kLinkA};
    struct Case {
        const char* what;
        std::vector<test::MessageTreeTest::Source> list;  // written before saving
        std::string title, link;
        Rows boxes;
        bool done;
        InputField focus;
        Rows after;  // the manager's rows after saving
    };
    const std::string a = kSourceA, b = kSourceB;
    const Case cases[] = {
        {"relinked to the other source's link",
         {{kSourceA, "Alpha", kLinkA}, {kSourceB, "Beta", kLinkB}},
         "Alpha",
         kLinkB,
         {"Already Subscribed!"},
         false,
         InputField::Link,
         {a + "|Alpha|" + kLinkA, b + "|Beta|" + kLinkB}},
        {"renamed, its own link kept",
         {{kSourceA, "Alpha", kLinkA}, {kSourceB, "Beta", kLinkB}},
         "Alpha 2",
         kLinkA,
         {"Done!"},
         true,
         InputField::None,
         {a + "|Alpha 2|" + kLinkA, b + "|Beta|" + kLinkB}},
        {"unsubscribed meanwhile",
         {{kSourceB, "Beta", kLinkB}},
         "Alpha 2",
         kLinkA,
         {"Source Not Subscribed!"},
         false,
         InputField::None,
         {b + "|Beta|" + kLinkB}},
        {"unsubscribed meanwhile and relinked to the other's link",
         {{kSourceB, "Beta", kLinkB}},
         "Alpha",
         kLinkB,
         {"Source Not Subscribed!"},
         false,
         InputField::None,
         {b + "|Beta|" + kLinkB}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The manager shows both sources; the list may have changed since.
        writeList({{kSourceA, "Alpha", kLinkA}, {kSourceB, "Beta", kLinkB}});
        context_.subscriptions.LoadSubscriptions(sources_);
        writeList(c.list);
        const std::string before = listText();
        seam_.clear();
        const ProcedureResult r = SaveSource(context_, sources_, alpha, c.title, c.link);
        EXPECT_EQ(r.done, c.done);
        EXPECT_EQ(r.focus, c.focus);
        EXPECT_EQ(seam_.captions(), c.boxes);
        // The tree shows the list as it is now, whatever the outcome.
        EXPECT_EQ(shownRows(), c.after);
        if (!c.done) {
            EXPECT_EQ(listText(), before);
        }
    }
    EXPECT_EQ(seam_.boxes[0].text,
              "\"Alpha\" is no longer subscribed: it was removed while you were editing it. "
              "Nothing was saved.");
    EXPECT_EQ(seam_.boxes[0].icon, MsgIcon::Exclamation);
}

TEST_F(SubscribeProcedureTest, UnsubscribeAsksFirstThenRemovesTheSourceAndItsMessages) {
    context_.subscriptions.LoadSubscriptions(sources_);
    ASSERT_TRUE(sources_.setSelectedNode(sources_.findNode("main")));
    EXPECT_FALSE(UnsubscribeSelected(context_, sources_).asked);  // not a source
    ASSERT_TRUE(sources_.setSelectedNode(sources_.findNode(kSourceA)));
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

    // Yes. The question lets events run; a reload replaces the node it was asked about.
    seam_.duringBox = [this] { context_.subscriptions.LoadSubscriptions(sources_); };
    UnsubscribeResult r = UnsubscribeSelected(context_, sources_);
    EXPECT_TRUE(r.removed);
    EXPECT_TRUE(r.folderRemoved);
    EXPECT_FALSE(fs::exists(data_.file(std::string("data/") + kSourceA)));
    EXPECT_TRUE(fs::exists(data_.file(std::string("data/") + kSourceB)));
    EXPECT_EQ(managerRows(), Rows{std::string(kSourceB) + "|Beta|" + kLinkB});
}

}  // namespace
}  // namespace vellorin
