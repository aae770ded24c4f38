#include "subscriptions/subscriptions.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <array>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "support/recording_seam.h"
#include "support/temp_dir.h"
#include "view/tree_control.h"

namespace vellorin {
namespace {

namespace fs = std::filesystem;
using test::RecordingSeam;
using test::TempDir;

constexpr const char* kIdA = "0A1B2C3D-0000-4000-8000-000000000001";
constexpr const char* kIdB = "0A1B2C3D-0000-4000-8000-000000000002";
constexpr const char* kIdC = "0A1B2C3D-0000-4000-8000-000000000003";

struct Source {
    std::string id;
    std::string title;
    std::string link;
};

std::string ListFile(const std::vector<Source>& sources) {
    std::string text = mSubscriptions::DefaultSubscriptionList();
    std::string items;
    for (const Source& s : sources) {
        items +=
            "<source id=\"" + s.id + "\" title=\"" + s.title + "\">" + s.link + "</source>\r\n";
    }
    text.insert(text.find("</sources>"), items);
    return text;
}

class SubscriptionsTest : public ::testing::Test {
protected:
    SubscriptionsTest()
        : context_(AppOptions{data_.path(), data_.path(), "", "vellorin"}, seam_, clock_),
          subs_(context_.subscriptions) {
        subs_.EnsureDataFolder();
    }

    std::string listPath() const { return data_.file("subscriptions.dat"); }
    void writeList(std::string_view bytes) { data_.write("subscriptions.dat", bytes); }
    void writeSources(const std::vector<Source>& sources) { writeList(ListFile(sources)); }
    std::string readList() const { return TempDir::read(listPath()); }

    // The sources as a fresh parse of the stored file sees them: id, title, link, and the
    // attribute names in order.
    std::vector<std::vector<std::string>> storedSources() const {
        pugi::xml_document doc;
        EXPECT_TRUE(doc.load_file(listPath().c_str()));
        std::vector<std::vector<std::string>> out;
        for (pugi::xml_node n : doc.child("sources").children("source")) {
            std::vector<std::string> row;
            for (pugi::xml_attribute a : n.attributes())
                row.push_back(a.value());
            row.push_back(n.child_value());
            out.push_back(row);
        }
        return out;
    }

    std::vector<std::string> texts(const TreeNode* parent, const TreeControl& tree) const {
        std::vector<std::string> out;
        if (!parent) {
            for (int i = 0; i < tree.topLevelCount(); ++i)
                out.push_back(tree.topLevelNode(i)->text());
        } else {
            for (int i = 0; i < parent->childCount(); ++i)
                out.push_back(parent->child(i)->text());
        }
        return out;
    }

    TempDir data_;
    RecordingSeam seam_;
    ManualClock clock_;
    AppContext context_;
    mSubscriptions& subs_;
};

struct BrokenList {
    const char* name;
    bool write;  // false: no file at all
    std::string bytes;
    const char* caption;
    const char* text;
};

TEST_F(SubscriptionsTest, EveryOperationReportsAListThatCannotBeOpened) {
    const char* kMissing =
        "Failed to load Subscription List. Required Data File is missing or "
        "hidden. Please reinstall the application to resolve this issue.";
    const char* kDamaged =
        "Failed to load Subscription List. Invalid File format or file is "
        "damaged. Please reinstall the application to resolve this issue.";
    const std::vector<BrokenList> cases = {
        {"missing", false, "", "Subscription Data File not found!", kMissing},
        {"empty", true, "", "Failed to load Subscription List.", kDamaged},
        {"not XML", true, "just some text\r\n", "Failed to load Subscription List.", kDamaged},
        {"binary", true, std::string("\x00\x01\xff\xfe<\x80\x00", 7),
         "Failed to load Subscription List.", kDamaged},
        {"unclosed", true, "<sources><source id=\"a\" title=\"b\">x</sources>",
         "Failed to load Subscription List.", kDamaged},
        {"two roots", true, "<sources></sources><sources></sources>",
         "Failed to load Subscription List.", kDamaged},
        {"no sources element", true, "<?xml version=\"1.0\"?><list><source/></list>", "Error!",
         "Failed to load Subscription List. Invalid File Format."},
    };
    for (const BrokenList& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(listPath());
        if (c.write)
            writeList(c.bytes);

        TreeControl tree("tvMessages");
        tree.addRoot("old", "left over", kImageSource);
        seam_.clear();
        subs_.LoadSubscriptions(tree);
        EXPECT_EQ(tree.count(), 0u);
        subs_.CurrentSource.Link = "http://x";
        EXPECT_FALSE(subs_.SourceAction(mSubscriptions::SourceExists));
        EXPECT_FALSE(subs_.SourceAction(mSubscriptions::RemoveSource));
        EXPECT_FALSE(subs_.AddSource("t", "http://x"));

        ASSERT_EQ(seam_.boxes.size(), 4u);
        for (const MessageBoxRequest& box : seam_.boxes) {
            EXPECT_EQ(box.caption, c.caption);
            EXPECT_EQ(box.text, c.text);
            EXPECT_EQ(box.icon, MsgIcon::Critical);
            EXPECT_EQ(box.buttons, MsgButtons::OK);
        }
        // Nothing is created or repaired.
        EXPECT_EQ(fs::exists(listPath()), c.write);
        if (c.write) {
            EXPECT_EQ(readList(), c.bytes);
        }
    }
}

TEST(DefaultListTest, FirstRunWritesTheDefaultListByteForByte) {
    TempDir root;
    RecordingSeam seam;
    ManualClock clock;
    AppContext context(AppOptions{root.path(), root.file("Vellorin Data"), "", "vellorin"}, seam,
                       clock);
    context.subscriptions.EnsureDataFolder();
    EXPECT_EQ(TempDir::read(root.file("Vellorin Data/subscriptions.dat")),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
              "<!--\r\n"
              "Document   : subscriptions.dat\r\n"
              "Author     : Vellorin team\r\n"
              "Description:\r\n"
              "    This file saves a complete list of all Messages Sources subscribed\r\n"
              "    under Vellorin application.\r\n"
              "-->\r\n"
              "<sources>\r\n"
              "</sources>\r\n"
              "\r\n");
}

TEST_F(SubscriptionsTest, AFreshListShowsNoSourcesAndOnlyTheManagersRoot) {
    writeList(mSubscriptions::DefaultSubscriptionList() + "\r\n");
    TreeControl messages("tvMessages");
    subs_.LoadSubscriptions(messages);
    EXPECT_EQ(messages.count(), 0u);

    TreeControl manager("tvSources");
    subs_.LoadSubscriptions(manager);
    ASSERT_EQ(manager.count(), 1u);
    TreeNode* root = manager.findNode("main");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text(), "Sources");
    EXPECT_EQ(root->image(), kImageSource);
    EXPECT_EQ(root->selectedImage(), kImageNone);
    EXPECT_TRUE(root->expanded());
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(SubscriptionsTest, TreesTakeTheirLayouts) {
    writeSources(
        {{kIdA, "Zeta", "http://z"}, {kIdB, "alpha", "http://a"}, {kIdC, "Mid", "http://m"}});

    TreeControl messages("tvMessages");
    subs_.LoadSubscriptions(messages);
    EXPECT_EQ(texts(nullptr, messages), (std::vector<std::string>{"alpha", "Mid", "Zeta"}));
    TreeNode* zeta = messages.findNode(kIdA);
    ASSERT_NE(zeta, nullptr);
    EXPECT_EQ(zeta->parent(), nullptr);
    EXPECT_EQ(zeta->image(), kImageSource);
    EXPECT_EQ(zeta->selectedImage(), kImageSource);
    EXPECT_EQ(zeta->tag(), "http://z");
    EXPECT_TRUE(messages.sorted());

    TreeControl manager("tvSources");
    subs_.LoadSubscriptions(manager);
    TreeNode* root = manager.findNode("main");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(texts(root, manager), (std::vector<std::string>{"Zeta", "alpha", "Mid"}));
    TreeNode* mid = manager.findNode(kIdC);
    ASSERT_NE(mid, nullptr);
    EXPECT_EQ(mid->parent(), root);
    EXPECT_EQ(mid->image(), kImageManagerSource);
    EXPECT_EQ(mid->selectedImage(), kImageManagerSource);
    EXPECT_EQ(mid->tag(), "http://m");
}

TEST_F(SubscriptionsTest, LoadingAgainReplacesTheTree) {
    writeSources({{kIdA, "One", "http://1"}});
    TreeControl tree("tvMessages");
    subs_.LoadSubscriptions(tree);
    writeSources({{kIdB, "Two", "http://2"}});
    subs_.LoadSubscriptions(tree);
    EXPECT_EQ(texts(nullptr, tree), (std::vector<std::string>{"Two"}));
}

TEST_F(SubscriptionsTest, AddSourceAppendsAWellFormedSourceWithoutWhitespace) {
    writeList(mSubscriptions::DefaultSubscriptionList() + "\r\n");
    ASSERT_TRUE(subs_.AddSource("First", "http://one"));
    ASSERT_TRUE(subs_.AddSource("  Second ", " http://two "));

    const std::string stored = readList();
    // The declaration and the comment stay; nothing stands between the sources.
    EXPECT_EQ(stored.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
    EXPECT_NE(stored.find("Document   : subscriptions.dat"), std::string::npos);
    EXPECT_NE(stored.find("Author     : "), std::string::npos);
    EXPECT_NE(stored.find("<sources><source id=\""), std::string::npos);
    EXPECT_NE(stored.find("</source><source id=\""), std::string::npos);
    EXPECT_NE(stored.find("</source></sources>"), std::string::npos);

    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(stored.c_str(), pugi::parse_default | pugi::parse_ws_pcdata));
    pugi::xml_node list = doc.child("sources");
    std::vector<std::string> attrs;
    int children = 0;
    for (pugi::xml_node n : list.children()) {
        ++children;
        EXPECT_EQ(n.type(), pugi::node_element);  // no whitespace text between the sources
        for (pugi::xml_attribute a : n.attributes())
            attrs.push_back(a.name());
    }
    EXPECT_EQ(children, 2);
    EXPECT_EQ(attrs, (std::vector<std::string>{"id", "title", "id", "title"}));

    auto sources = storedSources();
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_TRUE(IsSourceIdentifier(sources[0][0]));
    EXPECT_TRUE(IsSourceIdentifier(sources[1][0]));
    EXPECT_NE(sources[0][0], sources[1][0]);
    // Neither the title nor the link is trimmed; the new source is the last one.
    EXPECT_EQ(sources[1][1], "  Second ");
    EXPECT_EQ(sources[1][2], " http://two ");

    TreeControl tree("tvMessages");
    subs_.LoadSubscriptions(tree);
    EXPECT_EQ(texts(nullptr, tree), (std::vector<std::string>{"  Second ", "First"}));
}

TEST_F(SubscriptionsTest, AnotherDeclaredEncodingIsWrittenBackAsUtf8) {
    writeList("<?xml version=\"1.0\" encoding=\"windows-1251\"?><sources></sources>");
    ASSERT_TRUE(subs_.AddSource("Caf\xC3\xA9", "http://x"));
    const std::string stored = readList();
    EXPECT_EQ(stored.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
    EXPECT_NE(stored.find("title=\"Caf\xC3\xA9\""), std::string::npos);
}

TEST_F(SubscriptionsTest, SourcesAreFoundByTheirExactLink) {
    writeSources({{kIdA, "A", "http://www.vellorin.net/feed"}});
    struct Probe {
        const char* link;
        bool exists;
    };
    for (const Probe& p : std::vector<Probe>{{"http://www.vellorin.net/feed", true},
                                             {"http://www.vellorin.net/Feed", false},
                                             {"HTTP://WWW.VELLORIN.NET/FEED", false},
                                             {"http://www.vellorin.net/feed/", false},
                                             {" http://www.vellorin.net/feed", false},
                                             {"", false}}) {
        SCOPED_TRACE(p.link);
        subs_.CurrentSource.Link = p.link;
        EXPECT_EQ(subs_.SourceAction(mSubscriptions::SourceExists), p.exists);
    }
}

TEST_F(SubscriptionsTest, UpdateAndRemoveActOnEveryMatch) {
    writeSources(
        {{kIdA, "A", "http://same"}, {kIdB, "B", "http://other"}, {kIdC, "C", "http://same"}});
    subs_.CurrentSource.Link = "http://same";
    subs_.CurrentSource.NewTitle = "Renamed";
    subs_.CurrentSource.NewLink = "http://new";
    ASSERT_TRUE(subs_.SourceAction(mSubscriptions::UpdateSource));
    EXPECT_EQ(storedSources(),
              (std::vector<std::vector<std::string>>{{kIdA, "Renamed", "http://new"},
                                                     {kIdB, "B", "http://other"},
                                                     {kIdC, "Renamed", "http://new"}}));

    subs_.CurrentSource.Link = "http://new";
    ASSERT_TRUE(subs_.SourceAction(mSubscriptions::RemoveSource));
    EXPECT_EQ(storedSources(),
              (std::vector<std::vector<std::string>>{{kIdB, "B", "http://other"}}));

    // Nothing left to match: false, and the file is not rewritten.
    const std::string before = readList();
    EXPECT_FALSE(subs_.SourceAction(mSubscriptions::RemoveSource));
    EXPECT_FALSE(subs_.SourceAction(mSubscriptions::UpdateSource));
    EXPECT_EQ(readList(), before);
}

TEST_F(SubscriptionsTest, RemovingTheFirstSourceKeepsTheOthersInOrder) {
    writeSources({{kIdA, "A", "http://a"}, {kIdB, "B", "http://b"}, {kIdC, "C", "http://c"}});
    subs_.CurrentSource.Link = "http://a";
    ASSERT_TRUE(subs_.SourceAction(mSubscriptions::RemoveSource));
    EXPECT_EQ(storedSources(), (std::vector<std::vector<std::string>>{{kIdB, "B", "http://b"},
                                                                      {kIdC, "C", "http://c"}}));
    EXPECT_NE(readList().find("</source></sources>"), std::string::npos);
}

TEST_F(SubscriptionsTest, LoadSourceFillsTheRecordOrLeavesItAlone) {
    writeSources({{kIdA, "A title", "http://a"}, {kIdB, "B title", "http://b"}});
    subs_.CurrentSource.Link = "http://b";
    EXPECT_TRUE(subs_.SourceAction(mSubscriptions::LoadSource));
    EXPECT_EQ(subs_.CurrentSource.ID, kIdB);
    EXPECT_EQ(subs_.CurrentSource.Title, "B title");
    EXPECT_EQ(subs_.CurrentSource.Link, "http://b");

    subs_.CurrentSource.Link = "http://nowhere";
    EXPECT_FALSE(subs_.SourceAction(mSubscriptions::LoadSource));
    EXPECT_EQ(subs_.CurrentSource.ID, kIdB);
    EXPECT_EQ(subs_.CurrentSource.Title, "B title");
}

TEST_F(SubscriptionsTest, OtherActionCodesDoNothing) {
    writeSources({{kIdA, "A", "http://a"}});
    const std::string before = readList();
    subs_.CurrentSource.Link = "http://a";
    for (std::int32_t code : {-1, 3, 4, 6, 100}) {
        SCOPED_TRACE(code);
        EXPECT_FALSE(subs_.SourceAction(code));
    }
    EXPECT_EQ(readList(), before);
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(SubscriptionsTest, MarkupAndLineBreaksInTitlesAndLinksReadBackUnchanged) {
    writeList(mSubscriptions::DefaultSubscriptionList());
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Tom & Jerry <b>\"quoted\" 'single'</b>", "http://x/?a=1&b=<2>"},
        {"two\nlines\tand tab", "http://y/\"q\""},
        {"]]> cdata end", "http://z/]]>"},
    };
    for (const auto& [title, link] : cases) {
        SCOPED_TRACE(title);
        ASSERT_TRUE(subs_.AddSource(title, link));
        subs_.CurrentSource.Link = link;
        ASSERT_TRUE(subs_.SourceAction(mSubscriptions::LoadSource));
        EXPECT_EQ(subs_.CurrentSource.Title, title);
        EXPECT_EQ(subs_.CurrentSource.Link, link);

        subs_.CurrentSource.NewTitle = title + " & more";
        subs_.CurrentSource.NewLink = link;
        ASSERT_TRUE(subs_.SourceAction(mSubscriptions::UpdateSource));
        ASSERT_TRUE(subs_.SourceAction(mSubscriptions::LoadSource));
        EXPECT_EQ(subs_.CurrentSource.Title, title + " & more");
    }
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_file(listPath().c_str()));
}

TEST_F(SubscriptionsTest, ARepeatedIdentifierIsSkippedInTheTreeAndKeptInTheFile) {
    writeSources(
        {{kIdA, "First", "http://1"}, {kIdA, "Second", "http://2"}, {kIdB, "Other", "http://3"}});
    const std::string before = readList();
    for (const char* name : {"tvMessages", "tvSources"}) {
        SCOPED_TRACE(name);
        TreeControl tree(name);
        subs_.LoadSubscriptions(tree);
        TreeNode* node = tree.findNode(kIdA);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->text(), "First");
        EXPECT_EQ(node->tag(), "http://1");
        EXPECT_NE(tree.findNode(kIdB), nullptr);
    }
    EXPECT_EQ(readList(), before);
    subs_.CurrentSource.Link = "http://2";
    EXPECT_TRUE(subs_.SourceAction(mSubscriptions::LoadSource));
    EXPECT_EQ(subs_.CurrentSource.Title, "Second");
}

TEST_F(SubscriptionsTest, SourcesWithoutAttributesAreSkippedInTheTree) {
    writeList(
        "<?xml version=\"1.0\"?><sources>"
        "<source>http://bare</source>"
        "<!-- a comment is not a source -->"
        "<source id=\"\" title=\"Empty id\">http://empty</source>"
        "<source id=\"" +
        std::string(kIdA) +
        "\">http://id-only</source>"
        "<item title=\"T\" id=\"X\">http://named-otherwise</item>"
        "</sources>");
    TreeControl tree("tvMessages");
    subs_.LoadSubscriptions(tree);
    EXPECT_EQ(tree.count(), 2u);
    ASSERT_NE(tree.findNode(kIdA), nullptr);
    EXPECT_EQ(tree.findNode(kIdA)->text(), "");
    // Attributes by position: the element's first attribute is its identifier.
    ASSERT_NE(tree.findNode("T"), nullptr);
    EXPECT_EQ(tree.findNode("T")->text(), "X");
    EXPECT_TRUE(seam_.boxes.empty());

    subs_.CurrentSource.ID = "previous";
    subs_.CurrentSource.Link = "http://bare";
    EXPECT_TRUE(subs_.SourceAction(mSubscriptions::LoadSource));
    EXPECT_EQ(subs_.CurrentSource.ID, "");
    EXPECT_EQ(subs_.CurrentSource.Title, "");

    subs_.CurrentSource.NewTitle = "Now titled";
    subs_.CurrentSource.NewLink = "http://bare";
    ASSERT_TRUE(subs_.SourceAction(mSubscriptions::UpdateSource));
    ASSERT_TRUE(subs_.SourceAction(mSubscriptions::LoadSource));
    EXPECT_EQ(subs_.CurrentSource.Title, "Now titled");
    EXPECT_NE(readList().find("<!-- a comment is not a source -->"), std::string::npos);
}

TEST_F(SubscriptionsTest, TenThousandSources) {
    std::vector<Source> sources;
    for (int i = 0; i < 10000; ++i) {
        char id[40];
        std::snprintf(id, sizeof id, "00000000-0000-4000-8000-%012d", i);
        sources.push_back({id, "Source " + std::to_string(i), "http://s/" + std::to_string(i)});
    }
    writeSources(sources);
    TreeControl tree("tvSources");
    subs_.LoadSubscriptions(tree);
    EXPECT_EQ(tree.count(), 10001u);
    EXPECT_EQ(tree.findNode("main")->child(9999)->text(), "Source 9999");

    subs_.CurrentSource.Link = "http://s/5000";
    ASSERT_TRUE(subs_.SourceAction(mSubscriptions::RemoveSource));
    ASSERT_TRUE(subs_.AddSource("Last", "http://last"));
    auto stored = storedSources();
    ASSERT_EQ(stored.size(), 10000u);
    EXPECT_EQ(stored[5000][2], "http://s/5001");
    EXPECT_EQ(stored.back()[1], "Last");
}

TEST_F(SubscriptionsTest, TheMessageTreeShowsEachSourcesMessages) {
    writeSources({{kIdA, "With mail", "http://a"}, {kIdB, "Empty", "http://b"}});
    data_.write(std::string(kIdA) + "/inbox.dat",
                "[g1]\r\ntitle=Hello\r\ndescription=x\r\ndate=Mon, 05 Dec 2026\r\n"
                "time=08:00:00\r\noffset=+0000\r\nread=0\r\n");
    TreeControl tree("tvMessages");
    subs_.LoadSubscriptions(tree);
    TreeNode* a = tree.findNode(kIdA);
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->childCount(), 1);
    EXPECT_EQ(a->child(0)->text(), "Hello");
    EXPECT_EQ(a->child(0)->tag(), "g1");
    EXPECT_EQ(a->tag(), "http://a");
    EXPECT_EQ(texts(nullptr, tree), (std::vector<std::string>{"Empty", "With mail"}));
    // The inbox of a source without a folder is created by the load.
    EXPECT_TRUE(fs::is_directory(data_.file(kIdB)));
}

TEST(NewGUIDStringTest, MakesDistinctVersion4IdentifiersInStorageOrder) {
    std::set<std::string> seen;
    for (int i = 0; i < 1000; ++i) {
        std::string id = NewGUIDString();
        ASSERT_TRUE(IsSourceIdentifier(id)) << id;
        // The version digit is the high nibble of byte 7, written after byte 6's two digits.
        EXPECT_EQ(id[16], '4') << id;
        EXPECT_NE(std::string("89AB").find(id[19]), std::string::npos) << id;
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 1000u);

    std::array<std::uint8_t, 16> bytes{};
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 17);
    EXPECT_EQ(FormatGUIDBytes(bytes), "00112233-4455-6677-8899-AABBCCDDEEFF");
}

TEST(IsSourceIdentifierTest, AcceptsOnlyTheUpperCaseGroupedForm) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"0A1B2C3D-4E5F-4000-8000-00000000ABCD", true},
        {"0a1b2c3d-4e5f-4000-8000-00000000abcd", false},
        {"{0A1B2C3D-4E5F-4000-8000-00000000ABCD}", false},
        {"0A1B2C3D4E5F40008000000000000ABCD", false},
        {"0A1B2C3D-4E5F-4000-8000-00000000ABC", false},
        {"0A1B2C3D-4E5F-4000-8000-00000000ABCG", false},
        {"0A1B2C3D-4E5F-4000-8000_00000000ABCD", false},
        {"", false},
        {".", false},
        {"../x", false},
    };
    for (const auto& [text, ok] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(IsSourceIdentifier(text), ok);
    }
}

TEST_F(SubscriptionsTest, RemoveSourceFolderDeletesOnlyAnInboxFolderInsideTheDataFolder) {
    TempDir outside;
    outside.write("keep.txt", "outside");
    data_.write(std::string(kIdA) + "/inbox.dat", "[g]\r\n");
    data_.write(std::string(kIdA) + "/sub/deeper.txt", "x");
    data_.write("sibling/keep.txt", "sibling");
    data_.write("lowercase-0000-4000-8000-000000000001/keep.txt", "x");
    fs::create_symlink(outside.path(), data_.file(kIdB));  // a link named like an identifier
    data_.write(kIdC, "a file, not a folder");

    const std::vector<std::pair<std::string, bool>> cases = {
        {"", false},
        {".", false},
        {"..", false},
        {"../x", false},
        {"../" + std::string(kIdA), false},
        {"sibling", false},
        {"lowercase-0000-4000-8000-000000000001", false},
        {"0a1b2c3d-0000-4000-8000-000000000001", false},
        {kIdB, false},
        {kIdC, false},
        {"0A1B2C3D-0000-4000-8000-000000000009", false},  // no such folder
        {kIdA, true},
    };
    for (const auto& [id, removed] : cases) {
        SCOPED_TRACE(id);
        EXPECT_EQ(subs_.RemoveSourceFolder(id), removed);
    }
    EXPECT_FALSE(fs::exists(data_.file(kIdA)));
    EXPECT_TRUE(fs::is_directory(data_.path()));
    EXPECT_EQ(TempDir::read(data_.file("sibling/keep.txt")), "sibling");
    EXPECT_EQ(TempDir::read(outside.file("keep.txt")), "outside");
    EXPECT_TRUE(fs::is_symlink(data_.file(kIdB)));
    EXPECT_TRUE(fs::is_regular_file(data_.file(kIdC)));
}

}  // namespace
}  // namespace vellorin
