#include "subscriptions/subscriptions.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "subscriptions/guid.h"
#include "subscriptions/source_list_document.h"
#include "view/message_tree_fixture.h"

namespace vellorin {
namespace {

namespace fs = std::filesystem;
using test::kSourceA;
using test::kSourceB;
using test::TempDir;

class SubscriptionsTest : public test::MessageTreeTest {
protected:
    std::string listPath() const { return data_.file("data/subscriptions.dat"); }
    std::string stored() const {
        SourceListDocument list;
        EXPECT_EQ(list.load(listPath()), SourceListDocument::LoadStatus::kOk);
        std::string out;
        for (const SourceEntry& e : list.entries())
            out += e.id + "|" + e.title + "|" + e.link + " ";
        return out;
    }
    bool act(std::int32_t action, const std::string& link) {
        subs_.CurrentSource.Link = link;
        return subs_.SourceAction(action);
    }

    mSubscriptions& subs_ = context_.subscriptions;
};

TEST_F(SubscriptionsTest, EveryOperationReportsAListThatCannotBeOpened) {
    const std::pair<std::optional<std::string>, const char*> cases[] = {
        {std::nullopt, "Subscription Data File not found!"},
        {"", "Failed to load Subscription List."},
        {"just some text\r\n", "Failed to load Subscription List."},
        {"<sources></sources><sources></sources>", "Failed to load Subscription List."},
        {"<?xml version=\"1.0\"?><list><source/></list>", "Error!"}};
    for (const auto& [bytes, caption] : cases) {
        SCOPED_TRACE(bytes.value_or("(missing)"));
        fs::remove(listPath());
        if (bytes)
            data_.write("data/subscriptions.dat", *bytes);
        seam_.clear();
        reload();
        EXPECT_EQ(tree_.count(), 0u);
        EXPECT_FALSE(act(mSubscriptions::RemoveSource, "http://x"));
        EXPECT_FALSE(subs_.AddSource("t", "http://x"));
        EXPECT_EQ(seam_.captions(), std::vector<std::string>(3, caption));
        EXPECT_EQ(listText(), bytes.value_or(""));
    }
}

// Written back after every change: UTF-8, an identifier each, titles and links as given (a raw
// CR would read back as LF, so line breaks are character references), nothing between sources.
TEST_F(SubscriptionsTest, WriteBackKeepsTitlesAndLinksAsGivenAndReadsBackTheSame) {
    const std::pair<std::string, std::string> added[] = {{"  Second ", " http://two "},
                                                         {"Carriage\rReturn", "http://cr/\rx"},
                                                         {"Line\nFeed", "http://lf/\nz"}};
    data_.write("data/subscriptions.dat", mSubscriptions::DefaultSubscriptionList() + "\r\n");
    for (const auto& [title, link] : added)
        ASSERT_TRUE(subs_.AddSource(title, link));
    ASSERT_TRUE(subs_.AddSource("Other", "http://other"));
    subs_.CurrentSource.NewTitle = "Renamed";
    subs_.CurrentSource.NewLink = "http://other";
    ASSERT_TRUE(act(mSubscriptions::UpdateSource, "http://other"));
    SourceListDocument list;
    ASSERT_EQ(list.load(listPath()), SourceListDocument::LoadStatus::kOk);
    const std::vector<SourceEntry> entries = list.entries();
    ASSERT_EQ(entries.size(), 4u);
    for (std::size_t i = 0; i < std::size(added); ++i) {
        EXPECT_EQ(entries[i].title + "|" + entries[i].link, added[i].first + "|" + added[i].second);
        EXPECT_TRUE(IsSourceIdentifier(entries[i].id));
        EXPECT_TRUE(act(mSubscriptions::SourceExists, added[i].second)) << i;
    }
    EXPECT_NE(entries[0].id, entries[1].id);
    const std::string text = listText();
    EXPECT_EQ(text.rfind(mSubscriptions::DefaultSubscriptionList().substr(0, 60), 0), 0u);
    for (const char* stored : {"title=\"  Second \"> http://two </source><source id=",
                               "title=\"Carriage&#13;Return\">http://cr/&#13;x<",
                               "title=\"Line&#10;Feed\">http://lf/\nz<",
                               "title=\"Renamed\">http://other</source></sources>\r\n"})
        EXPECT_NE(text.find(stored), std::string::npos) << stored;
    const std::string sources = text.substr(text.find("<sources>"));
    EXPECT_EQ(sources.find('\r'), sources.size() - 2) << sources;

    data_.write("data/subscriptions.dat",
                "<?xml version=\"1.0\" encoding=\"windows-1251\"?><sources></sources>");
    ASSERT_TRUE(subs_.AddSource("Caf\xC3\xA9", "http://x"));
    EXPECT_EQ(listText().rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
    EXPECT_NE(listText().find("title=\"Caf\xC3\xA9\">http://x</source></sources>"),
              std::string::npos);
}

TEST_F(SubscriptionsTest, ActionsActOnEveryExactMatchAndUnknownCodesDoNothing) {
    writeList(
        {{kSourceA, "A", "http://same"}, {kSourceB, "B", "http://o"}, {"C", "C", "http://same"}});
    subs_.CurrentSource.NewTitle = "Renamed";
    subs_.CurrentSource.NewLink = "http://new";
    EXPECT_FALSE(act(mSubscriptions::UpdateSource, "http://Same"));
    ASSERT_TRUE(act(mSubscriptions::UpdateSource, "http://same"));
    EXPECT_EQ(stored(), std::string(kSourceA) + "|Renamed|http://new " + kSourceB +
                            "|B|http://o C|Renamed|http://new ");
    ASSERT_TRUE(act(mSubscriptions::RemoveSource, "http://new"));
    const std::string before = listText();
    EXPECT_EQ(stored(), std::string(kSourceB) + "|B|http://o ");
    for (std::int32_t code : {1, -1, 3, 6})
        EXPECT_FALSE(act(code, "http://new")) << code;
    EXPECT_EQ(listText(), before);
}

// A source without an identifier, with an empty one or with one already taken gets no node
// (the first of a repeated identifier takes it); the file keeps them all.
TEST_F(SubscriptionsTest, SourcesWithoutUsableIdentifiersGetNoNodeAndStayInTheFile) {
    const std::string repeated = "0A1B2C3D-0000-4000-8000-00000000000F";
    data_.write("data/subscriptions.dat",
                "<?xml version=\"1.0\"?><sources><source>http://bare</source>"
                "<source id=\"\" title=\"Empty id\">http://empty</source><source id=\"" +
                    repeated + "\" title=\"First\">http://1</source><source id=\"" + repeated +
                    "\" title=\"Second\">http://2</source></sources>");
    const std::string before = TempDir::read(listPath());
    reload();
    EXPECT_EQ(tree_.topLevelCount(), 1);
    EXPECT_EQ(tree_.findNode(repeated)->text(), "First");
    EXPECT_EQ(TempDir::read(listPath()), before);
    EXPECT_TRUE(act(mSubscriptions::LoadSource, "http://2"));
    EXPECT_EQ(subs_.CurrentSource.Title, "Second");
}

TEST_F(SubscriptionsTest, RemoveSourceFolderDeletesOnlyAnInboxFolderInsideTheDataFolder) {
    const std::string a = std::string("data/") + kSourceA;
    data_.write(a + "/sub/deeper.txt", "x");
    data_.write("outside/keep.txt", "outside");
    data_.write("data/sibling/keep.txt", "sibling");
    fs::create_symlink(data_.file("outside"),
                       data_.file("data/0A1B2C3D-0000-4000-8000-00000000000D"));
    for (const char* id :
         {"../outside", "0a1b2c3d-0000-4000-8000-00000000000a",
          "0A1B2C3D-0000-4000-8000-00000000000D",   // a link named like an identifier
          "0A1B2C3D-0000-4000-8000-000000000009"})  // no such folder
        EXPECT_FALSE(subs_.RemoveSourceFolder(id)) << id;
    EXPECT_TRUE(subs_.RemoveSourceFolder(kSourceA));
    EXPECT_FALSE(fs::exists(data_.file(a)));
    EXPECT_TRUE(fs::exists(listPath()));
    EXPECT_EQ(TempDir::read(data_.file("data/sibling/keep.txt")), "sibling");
    EXPECT_EQ(TempDir::read(data_.file("outside/keep.txt")), "outside");
    EXPECT_TRUE(fs::is_symlink(data_.file("data/0A1B2C3D-0000-4000-8000-00000000000D")));
}

TEST(SourceListDocumentTest, AListReadsTheSameAfterEverySave) {
    const auto reads = [](const std::string& file, const std::string& link) {
        SCOPED_TRACE(file);
        SourceListDocument doc;
        ASSERT_EQ(doc.parse(file), SourceListDocument::LoadStatus::kOk);
        for (int save = 0; save < 3; ++save) {
            ASSERT_EQ(doc.entries().size(), 1u);
            EXPECT_EQ(doc.entries()[0].link, link) << "after " << save << " saves";
            const std::string text = doc.text();
            ASSERT_EQ(doc.parse(text), SourceListDocument::LoadStatus::kOk) << text;
        }
    };
    const std::string e = "http://x/\xC3\xA9", list = "<sources><source id=\"a\" title=\"T\">",
                      end = "</source></sources>";
    reads("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + list + "http://x/\xE9" + end, e);
    // "encoding=" inside another attribute's name or value
    reads("<?xml version=\"1.0\" xencoding=\"ISO-8859-1\"?>" + list + e + end, e);
    reads("<?xml version=\"1.0\" standalone=\"encoding='latin1'\"?>" + list + e + end, e);
    reads(list + "&#9;<b>http://x</b>&#32;&#10;" + end, "http://x");
    reads(list + " http://x " + end, " http://x ");
}

}  // namespace
}  // namespace vellorin
