#include "subscriptions/subscribe_procedure.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "subscriptions/subscriptions.h"
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
    Rows managerRows() {
        context_.subscriptions.LoadSubscriptions(sources_);
        return shownRows();
    }
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
    const std::string before = listText();
    const std::string fresh = "http://www.vellorin.net/feeds/new";
    // dialog or manager, title, link, the field to fix, whether its text is selected, the box
    const std::tuple<bool, std::string, std::string, InputField, bool, const char*> cases[] = {
        {true, "   ", fresh, InputField::Title, false, "Title?"},
        {true, "New", " ", InputField::Link, false, "Link?"},
        {true, "New", "http://example.com/feed", InputField::Link, true,
         "Invalid Vellorin Source Link."},
        {true, "Again", kLinkA, InputField::None, false, "Already Subscribed!"},
        {false, "", kLinkA, InputField::Title, false, "Title?"},
        {false, "T", "  ", InputField::Link, false, "Message Source Link?"},
        {false, "T", "ftp://example.org", InputField::Link, true, "Invalid Link!"},
        {false, "Again", kLinkA, InputField::None, false, "Already Subscribed!"}};
    for (const auto& [dialog, title, link, focus, selectLink, box] : cases) {
        SCOPED_TRACE(box);
        seam_.clear();
        ProcedureResult r = dialog ? SubscribeNow(context_, tree_, title, link)
                                   : SaveSource(context_, sources_, {}, title, link);
        EXPECT_FALSE(r.done);
        EXPECT_EQ(r.focus, focus);
        EXPECT_EQ(r.selectLink, selectLink);
        EXPECT_EQ(seam_.captions(), Rows{box});
    }
    EXPECT_EQ(listText(), before);

    const std::string link = " http://www.VELLORIN.net/feeds/alpha/ ";  // differs from kLinkA
    seam_.clear();
    EXPECT_TRUE(SubscribeNow(context_, tree_, " Gamma", link).done);
    EXPECT_EQ(seam_.captions(), Rows{"Done!"});
    const Rows rows = managerRows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2].substr(36), "| Gamma|" + link);
    EXPECT_EQ(tree_.topLevelNode(0)->text(), " Gamma");
    fs::remove(data_.file("data/subscriptions.dat"));
    seam_.clear();
    EXPECT_FALSE(SubscribeNow(context_, tree_, "New", fresh).done);
    EXPECT_EQ(seam_.captions(), (Rows{"Subscription Data File not found!",
                                      "Subscription Data File not found!", "Error!"}));
}

TEST_F(SubscribeProcedureTest, EditingRefusesAnotherSourcesLinkAndTellsOfARemovedSource) {
    const SourceEditState alpha{true, kSourceA, "Alpha", kLinkA};
    const std::vector<Source> both{{kSourceA, "Alpha", kLinkA}, {kSourceB, "Beta", kLinkB}},
        onlyB{{kSourceB, "Beta", kLinkB}};
    const std::string a = kSourceA + ("|Alpha|" + std::string(kLinkA)),
                      a2 = kSourceA + ("|Alpha 2|" + std::string(kLinkA)),
                      b = kSourceB + ("|Beta|" + std::string(kLinkB));
    // the list when saving (the manager shows both), title, link, box, focus, the rows after
    const std::tuple<const std::vector<Source>*, const char*, const char*, std::string, InputField,
                     Rows>
        cases[] = {{&both, "Alpha", kLinkB, "Already Subscribed!", InputField::Link, {a, b}},
                   {&both, "Alpha 2", kLinkA, "Done!", InputField::None, {a2, b}},
                   {&onlyB, "Alpha 2", kLinkA, "Source Not Subscribed!", InputField::None, {b}},
                   {&onlyB, "Alpha", kLinkB, "Source Not Subscribed!", InputField::None, {b}}};
    for (const auto& [list, title, link, box, focus, after] : cases) {
        writeList(both);
        context_.subscriptions.LoadSubscriptions(sources_);
        writeList(*list);
        const std::string before = listText();
        seam_.clear();
        const ProcedureResult r = SaveSource(context_, sources_, alpha, title, link);
        EXPECT_EQ(r.done, box == "Done!") << title << link;
        EXPECT_EQ(r.focus, focus);
        EXPECT_EQ(seam_.captions(), Rows{box});
        EXPECT_EQ(shownRows(), after);  // the list as it is now, whatever the outcome
        EXPECT_TRUE(r.done || listText() == before);
    }
}

}  // namespace
}  // namespace vellorin
