#include "subscriptions/subscriptions.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "subscriptions/guid.h"
#include "view/message_tree_fixture.h"

namespace vellorin {
namespace {

namespace fs = std::filesystem;
using test::kSourceA;
using test::kSourceB;
using test::TempDir;
using Rows = std::vector<std::vector<std::string>>;

constexpr const char* kSourceC = "0A1B2C3D-0000-4000-8000-00000000000C";

TEST(EnsureDataFolderTest, FirstRunCreatesTheFolderWithTheDefaultListByteForByte) {
    TempDir home;
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_DATA_HOME", home.file("a/b").c_str(), 1);
    test::RecordingSeam seam;
    ManualClock clock;
    AppContext context(AppOptions{home.path(), "", "", "vellorin"}, seam, clock);
    context.subscriptions.EnsureDataFolder();
    (void)(old ? ::setenv("XDG_DATA_HOME", saved.c_str(), 1) : ::unsetenv("XDG_DATA_HOME"));
    EXPECT_EQ(context.subscriptions.DataFolder, home.path() + "/a/b/Vellorin Data");
    EXPECT_EQ(TempDir::read(home.file("a/b/Vellorin Data/subscriptions.dat")),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<!--\r\n"
              "Document   : subscriptions.dat\r\nAuthor     : Vellorin team\r\nDescription:\r\n"
              "    This file saves a complete list of all Messages Sources subscribed\r\n"
              "    under Vellorin application.\r\n-->\r\n<sources>\r\n</sources>\r\n\r\n");
    EXPECT_TRUE(seam.boxes.empty());

    // An existing folder without a list is left alone; a trailing "/" is dropped.
    AppContext again(AppOptions{home.path(), home.path() + "/", "", "vellorin"}, seam, clock);
    again.subscriptions.EnsureDataFolder();
    EXPECT_EQ(again.subscriptions.DataFolder, home.path());
    EXPECT_FALSE(fs::exists(home.file("subscriptions.dat")));
}

class SubscriptionsTest : public test::MessageTreeTest {
protected:
    std::string listPath() const { return data_.file("data/subscriptions.dat"); }
    // The sources as a fresh parse of the stored file sees them: attribute values, then the link.
    Rows storedSources() const {
        pugi::xml_document doc;
        EXPECT_TRUE(doc.load_file(listPath().c_str()));
        Rows out;
        for (pugi::xml_node n : doc.child("sources").children("source")) {
            out.emplace_back();
            for (pugi::xml_attribute a : n.attributes())
                out.back().push_back(a.value());
            out.back().push_back(n.child_value());
        }
        return out;
    }
    bool act(std::int32_t action, const std::string& link) {
        subs_.CurrentSource.Link = link;
        return subs_.SourceAction(action);
    }

    mSubscriptions& subs_ = context_.subscriptions;
};

TEST_F(SubscriptionsTest, EveryOperationReportsAListThatCannotBeOpened) {
    const char* kDamaged =
        "Failed to load Subscription List. Invalid File format or file is "
        "damaged. Please reinstall the application to resolve this issue.";
    const char* kNotLoaded = "Failed to load Subscription List.";
    struct Case {
        const char* name;
        std::optional<std::string> bytes;  // nullopt: no file at all
        const char* caption;
        const char* text;
    };
    const Case cases[] = {
        {"missing", std::nullopt, "Subscription Data File not found!",
         "Failed to load Subscription List. Required Data File is missing or hidden. Please "
         "reinstall the application to resolve this issue."},
        {"empty", "", kNotLoaded, kDamaged},
        {"not XML", "just some text\r\n", kNotLoaded, kDamaged},
        {"binary", std::string("\x00\x01\xff\xfe<\x80\x00", 7), kNotLoaded, kDamaged},
        {"unclosed", "<sources><source id=\"a\" title=\"b\">x</sources>", kNotLoaded, kDamaged},
        {"two roots", "<sources></sources><sources></sources>", kNotLoaded, kDamaged},
        {"no sources element", "<?xml version=\"1.0\"?><list><source/></list>", "Error!",
         "Failed to load Subscription List. Invalid File Format."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(listPath());
        if (c.bytes)
            data_.write("data/subscriptions.dat", *c.bytes);
        seam_.clear();
        reload();
        EXPECT_EQ(tree_.count(), 0u);
        EXPECT_FALSE(act(mSubscriptions::SourceExists, "http://x"));
        EXPECT_FALSE(act(mSubscriptions::RemoveSource, "http://x"));
        EXPECT_FALSE(subs_.AddSource("t", "http://x"));
        ASSERT_EQ(seam_.boxes.size(), 4u);
        for (const MessageBoxRequest& box : seam_.boxes) {
            EXPECT_EQ(box.caption, c.caption);
            EXPECT_EQ(box.text, c.text);
            EXPECT_EQ(box.icon, MsgIcon::Critical);
            EXPECT_EQ(box.buttons, MsgButtons::OK);
        }
        // Nothing is created or repaired.
        EXPECT_EQ(fs::exists(listPath()), c.bytes.has_value());
        EXPECT_EQ(listText(), c.bytes.value_or(""));
    }
}

TEST_F(SubscriptionsTest, TreesTakeTheirLayoutsAndAreReplacedByEachLoad) {
    writeList({{kSourceA, "Zeta", "http://z"},
               {kSourceB, "alpha", "http://a"},
               {kSourceC, "Mid", "http://m"}});
    TreeControl manager("tvSources");
    reload();
    subs_.LoadSubscriptions(manager);

    // How a node looks: text, images, tag, expanded.
    auto look = [](const TreeNode* n) {
        return std::make_tuple(n->text(), n->image(), n->selectedImage(), n->tag(), n->expanded());
    };
    // The message tree: sources in title order, each holding its messages (an inbox folder is
    // made for a source without one).
    ASSERT_EQ(tree_.topLevelCount(), 3);
    EXPECT_EQ(tree_.topLevelNode(0)->text() + tree_.topLevelNode(1)->text(), "alphaMid");
    EXPECT_EQ(look(tree_.topLevelNode(2)),
              std::make_tuple("Zeta", kImageSource, kImageSource, "http://z", false));
    EXPECT_EQ(tree_.topLevelNode(2)->childCount(), 3);
    EXPECT_TRUE(fs::is_directory(data_.file(std::string("data/") + kSourceC)));
    // The manager: one expanded root, the sources beneath it in file order.
    ASSERT_EQ(manager.topLevelCount(), 1);
    const TreeNode* root = manager.topLevelNode(0);
    EXPECT_EQ(look(root), std::make_tuple("Sources", kImageSource, kImageNone, "", true));
    EXPECT_EQ(root->key(), "main");
    ASSERT_EQ(root->childCount(), 3);
    EXPECT_EQ(root->child(0)->text() + root->child(1)->text(), "Zetaalpha");
    EXPECT_EQ(look(root->child(2)),
              std::make_tuple("Mid", kImageManagerSource, kImageManagerSource, "http://m", false));
    EXPECT_EQ(root->child(2)->key(), kSourceC);

    data_.write("data/subscriptions.dat", mSubscriptions::DefaultSubscriptionList());
    reload();
    subs_.LoadSubscriptions(manager);
    EXPECT_EQ(tree_.count(), 0u);
    EXPECT_EQ(manager.count(), 1u);
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(SubscriptionsTest, AddSourceWritesUtf8SourcesWithIdAndTitleAndNoWhitespaceBetween) {
    data_.write("data/subscriptions.dat", mSubscriptions::DefaultSubscriptionList() + "\r\n");
    ASSERT_TRUE(subs_.AddSource("First", "http://one"));
    ASSERT_TRUE(subs_.AddSource("  Second ", " http://two "));
    const std::string stored = listText();
    const Rows sources = storedSources();
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_TRUE(IsSourceIdentifier(sources[0][0]));
    EXPECT_NE(sources[0][0], sources[1][0]);
    // The declaration and the comment stay; attributes id, title; nothing between the sources;
    // neither the title nor the link is trimmed.
    // The header lines keep their CR LF line ends.
    std::string want = mSubscriptions::DefaultSubscriptionList();
    want.replace(want.find("<sources>"), std::string::npos,
                 "<sources><source id=\"" + sources[0][0] +
                     "\" title=\"First\">http://one</source><source id=\"" + sources[1][0] +
                     "\" title=\"  Second \"> http://two </source></sources>\r\n");
    EXPECT_EQ(stored, want);

    // Another declared encoding is written back as UTF-8.
    data_.write("data/subscriptions.dat",
                "<?xml version=\"1.0\" encoding=\"windows-1251\"?><sources></sources>");
    ASSERT_TRUE(subs_.AddSource("Caf\xC3\xA9", "http://x"));
    EXPECT_EQ(listText().rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
    EXPECT_NE(listText().find("<sources><source id=\"" + storedSources()[0][0] +
                              "\" title=\"Caf\xC3\xA9\">http://x</source></sources>"),
              std::string::npos);
}

TEST_F(SubscriptionsTest, ActionsActOnEveryExactMatch) {
    writeList({{kSourceA, "A", "http://same"},
               {kSourceB, "B", "http://other"},
               {kSourceC, "C", "http://same"}});
    subs_.CurrentSource.NewTitle = "Renamed";
    subs_.CurrentSource.NewLink = "http://new";
    EXPECT_FALSE(act(mSubscriptions::UpdateSource, "http://Same"));
    ASSERT_TRUE(act(mSubscriptions::UpdateSource, "http://same"));
    EXPECT_EQ(storedSources(), (Rows{{kSourceA, "Renamed", "http://new"},
                                     {kSourceB, "B", "http://other"},
                                     {kSourceC, "Renamed", "http://new"}}));
    ASSERT_TRUE(act(mSubscriptions::LoadSource, "http://other"));
    EXPECT_EQ(subs_.CurrentSource.ID, kSourceB);
    EXPECT_EQ(subs_.CurrentSource.Title, "B");
    ASSERT_TRUE(act(mSubscriptions::RemoveSource, "http://new"));
    EXPECT_EQ(storedSources(), (Rows{{kSourceB, "B", "http://other"}}));

    // Nothing left to match, or an unknown action: false, the file is not rewritten and the
    // record stays.
    const std::string before = listText();
    for (std::int32_t code : {0, 1, 2, 5, -1, 3, 4, 6})
        EXPECT_FALSE(act(code, "http://new")) << code;
    EXPECT_EQ(listText(), before);
    EXPECT_EQ(subs_.CurrentSource.ID, kSourceB);
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(SubscriptionsTest, MarkupAndLineBreaksInTitlesAndLinksReadBackUnchanged) {
    for (const auto& [title, link] : std::vector<std::pair<std::string, std::string>>{
             {"Tom & Jerry <b>\"quoted\" 'single'</b>", "http://x/?a=1&b=<2>"},
             {"two\nlines\tand tab", "http://y/\"q\""},
             {"]]> cdata end", "http://z/]]>"}}) {
        SCOPED_TRACE(title);
        ASSERT_TRUE(subs_.AddSource(title, link));
        ASSERT_TRUE(act(mSubscriptions::LoadSource, link));
        EXPECT_EQ(subs_.CurrentSource.Title, title);
        EXPECT_EQ(subs_.CurrentSource.Link, link);
    }
}

TEST_F(SubscriptionsTest, SourcesWithoutUsableIdentifiersGetNoNodeAndStayInTheFile) {
    const char* kRepeated = "0A1B2C3D-0000-4000-8000-00000000000F";
    data_.write(
        "data/subscriptions.dat",
        "<?xml version=\"1.0\"?><sources><source>http://bare</source>"
        "<!-- a comment is not a source -->"
        "<source id=\"\" title=\"Empty id\">http://empty</source>"
        "<source id=\"0A1B2C3D-0000-4000-8000-00000000000F\" title=\"First\">http://1</source>"
        "<source id=\"0A1B2C3D-0000-4000-8000-00000000000F\" title=\"Second\">http://2</source>"
        "<item title=\"T\" id=\"X\">http://named-otherwise</item></sources>");
    const std::string before = listText();
    for (const char* name : {"tvMessages", "tvSources"}) {
        SCOPED_TRACE(name);
        TreeControl tree(name);
        subs_.LoadSubscriptions(tree);
        EXPECT_EQ(name[2] == 'M' ? tree.topLevelCount() : tree.findNode("main")->childCount(), 2);
        // A repeated identifier: the first source takes the node.
        ASSERT_NE(tree.findNode(kRepeated), nullptr);
        EXPECT_EQ(tree.findNode(kRepeated)->text(), "First");
        // Attributes by position: the element's first attribute is its identifier.
        ASSERT_NE(tree.findNode("T"), nullptr);
        EXPECT_EQ(tree.findNode("T")->text(), "X");
    }
    EXPECT_EQ(listText(), before);
    EXPECT_TRUE(act(mSubscriptions::LoadSource, "http://2"));
    EXPECT_EQ(subs_.CurrentSource.Title, "Second");
    EXPECT_TRUE(act(mSubscriptions::LoadSource, "http://bare"));
    EXPECT_EQ(subs_.CurrentSource.ID, "");
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(SubscriptionsTest, TenThousandSources) {
    std::vector<Source> sources;
    for (int i = 0; i < 10000; ++i) {
        char id[40];
        std::snprintf(id, sizeof id, "00000000-0000-4000-8000-%012d", i);
        sources.push_back({id, "Source " + std::to_string(i), "http://s/" + std::to_string(i)});
    }
    writeList(sources);
    TreeControl tree("tvSources");
    subs_.LoadSubscriptions(tree);
    EXPECT_EQ(tree.count(), 10001u);
    EXPECT_EQ(tree.findNode("main")->child(9999)->text(), "Source 9999");
    ASSERT_TRUE(act(mSubscriptions::RemoveSource, "http://s/5000"));
    ASSERT_TRUE(subs_.AddSource("Last", "http://last"));
    const Rows stored = storedSources();
    ASSERT_EQ(stored.size(), 10000u);
    EXPECT_EQ(stored[5000][2], "http://s/5001");
    EXPECT_EQ(stored.back()[1], "Last");
}

TEST(SourceIdentifierTest, NewIdentifiersAreDistinctVersion4GuidsInStorageOrder) {
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        std::string id = NewGUIDString();
        ASSERT_TRUE(IsSourceIdentifier(id)) << id;
        // The version digit is the high nibble of byte 7, written after byte 6's two digits.
        EXPECT_EQ(id[16], '4') << id;
        EXPECT_NE(std::string("89AB").find(id[19]), std::string::npos) << id;
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 200u);
    std::array<std::uint8_t, 16> bytes{};
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 17);
    EXPECT_EQ(FormatGUIDBytes(bytes), "00112233-4455-6677-8899-AABBCCDDEEFF");
    EXPECT_FALSE(IsSourceIdentifier("{0A1B2C3D-4E5F-4000-8000-00000000ABCD}"));
    EXPECT_FALSE(IsSourceIdentifier("0A1B2C3D-4E5F-4000-8000_00000000ABCD"));
}

TEST_F(SubscriptionsTest, RemoveSourceFolderDeletesOnlyAnInboxFolderInsideTheDataFolder) {
    const std::string a = std::string("data/") + kSourceA;
    data_.write(a + "/sub/deeper.txt", "x");
    data_.write("outside/keep.txt", "outside");
    data_.write("data/sibling/keep.txt", "sibling");
    data_.write("data/lowercase-0000-4000-8000-000000000001/keep.txt", "x");
    fs::create_symlink(data_.file("outside"),
                       data_.file("data/0A1B2C3D-0000-4000-8000-00000000000D"));
    data_.write("data/0A1B2C3D-0000-4000-8000-00000000000E", "a file, not a folder");
    for (const char* id :
         {"", ".", "..", "../outside", "sibling", "lowercase-0000-4000-8000-000000000001",
          "0a1b2c3d-0000-4000-8000-00000000000a",
          "0A1B2C3D-0000-4000-8000-00000000000D",  // a link named like an identifier
          "0A1B2C3D-0000-4000-8000-00000000000E",
          "0A1B2C3D-0000-4000-8000-000000000009"})  // no such folder
        EXPECT_FALSE(subs_.RemoveSourceFolder(id)) << id;
    EXPECT_TRUE(fs::exists(data_.file(a + "/inbox.dat")));
    EXPECT_TRUE(subs_.RemoveSourceFolder(kSourceA));
    EXPECT_FALSE(fs::exists(data_.file(a)));
    EXPECT_TRUE(fs::exists(listPath()));
    EXPECT_EQ(TempDir::read(data_.file("data/sibling/keep.txt")), "sibling");
    EXPECT_EQ(TempDir::read(data_.file("outside/keep.txt")), "outside");
    EXPECT_TRUE(fs::is_symlink(data_.file("data/0A1B2C3D-0000-4000-8000-00000000000D")));
    EXPECT_TRUE(fs::is_regular_file(data_.file("data/0A1B2C3D-0000-4000-8000-00000000000E")));
}

}  // namespace
}  // namespace vellorin
