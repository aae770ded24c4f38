#include "inbox/inbox_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
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

constexpr const char* kSource = "0A1B2C3D-0000-4000-8000-000000000001";

std::string Section(const std::string& guid, const std::string& title, const std::string& date,
                    const std::string& time, const std::string& read = "0",
                    const std::string& description = "body") {
    return "[" + guid + "]\r\ntitle=" + title + "\r\ndescription=" + description +
           "\r\ndate=" + date + "\r\ntime=" + time + "\r\noffset=+0000\r\nread=" + read + "\r\n";
}

class InboxTest : public ::testing::Test {
protected:
    explicit InboxTest(std::string commandLine = "")
        : context_(AppOptions{data_.path(), data_.path(), std::move(commandLine), "vellorin"},
                   seam_, clock_),
          inbox_(context_.inbox) {
        context_.subscriptions.EnsureDataFolder();
        inbox_.CurrentSourceID = kSource;
    }

    std::string inboxPath() const { return data_.file(std::string(kSource) + "/inbox.dat"); }
    void writeInbox(std::string_view bytes) {
        data_.write(std::string(kSource) + "/inbox.dat", bytes);
    }
    std::string stored() const { return TempDir::read(inboxPath()); }
    void makeFolder() { fs::create_directories(data_.file(kSource)); }

    bool save(const std::string& guid, const std::string& title,
              const std::string& date = "Mon, 05 Dec 2026", const std::string& time = "08:56:31",
              const std::string& description = "body") {
        inbox_.CurrentItem = InboxItem{title, description, date, time, "+0000", guid, 0};
        return inbox_.SaveItem();
    }
    bool act(const std::string& guid, std::int32_t action) {
        inbox_.CurrentItem.Guid = guid;
        return inbox_.InboxItemAction(action);
    }
    InboxItem load(const std::string& guid) {
        inbox_.CurrentItem = InboxItem{};
        inbox_.CurrentItem.Guid = guid;
        EXPECT_TRUE(inbox_.InboxItemAction(mInbox::LoadItem)) << guid;
        return inbox_.CurrentItem;
    }

    // The source's node in a message tree, after LoadInbox.
    TreeNode* loadTree(TreeControl& tree) {
        if (!tree.findNode(kSource))
            tree.addRoot(kSource, "Source", kImageSource, kImageSource);
        inbox_.LoadInbox(tree);
        return tree.findNode(kSource);
    }
    static std::vector<std::string> childTexts(const TreeNode* node) {
        std::vector<std::string> out;
        for (int i = 0; i < node->childCount(); ++i)
            out.push_back(node->child(i)->text());
        return out;
    }

    TempDir data_;
    RecordingSeam seam_;
    ManualClock clock_;
    AppContext context_;
    mInbox& inbox_;
};

TEST_F(InboxTest, SaveItemWritesTheStoredFormAndAppends) {
    makeFolder();
    ASSERT_TRUE(save("http://www.vellorin.net/m/1", "First message", "Mon, 05 Dec 2026", "08:56:31",
                     "line one\nline two\r\nline three"));
    ASSERT_TRUE(save("guid-2", "Second", "Tue, 06 Dec 2026", "10:00:00", "x"));
    EXPECT_EQ(stored(),
              "[http://www.vellorin.net/m/1]\r\n"
              "title=First message\r\n"
              "description=line one\x05line two\x05line three\r\n"
              "date=Mon, 05 Dec 2026\r\n"
              "time=08:56:31\r\n"
              "offset=+0000\r\n"
              "read=0\r\n"
              "[guid-2]\r\ntitle=Second\r\ndescription=x\r\ndate=Tue, 06 Dec 2026\r\n"
              "time=10:00:00\r\noffset=+0000\r\nread=0\r\n");

    InboxItem item = load("http://www.vellorin.net/m/1");
    EXPECT_EQ(item.Title, "First message");
    EXPECT_EQ(item.Description, "line one\r\nline two\r\nline three");
    EXPECT_EQ(item.Date, "Mon, 05 Dec 2026");
    EXPECT_EQ(item.Time, "08:56:31");
    EXPECT_EQ(item.Offset, "+0000");
    EXPECT_EQ(item.Guid, "http://www.vellorin.net/m/1");
    EXPECT_EQ(item.Read, 0);
}

TEST_F(InboxTest, SaveItemRefusesAnEmptyGuid) {
    makeFolder();
    EXPECT_FALSE(save("", "No guid"));
    EXPECT_FALSE(fs::exists(inboxPath()));
}

TEST_F(InboxTest, SaveItemReportsAMissingFolder) {
    EXPECT_FALSE(save("g", "t"));
    EXPECT_FALSE(fs::exists(inboxPath()));
}

TEST_F(InboxTest, ActionCodes) {
    const std::string base = Section("a", "A", "Mon, 05 Dec 2026", "08:00:00") +
                             Section("b", "B", "Mon, 05 Dec 2026", "09:00:00");
    struct Case {
        std::int32_t action;
        bool result;
        std::string after;
    };
    const std::vector<Case> cases = {
        {0, false, base},
        {6, false, base},
        {-1, false, base},
        {mInbox::ItemExists, true, base},
        {mInbox::MarkRead, true,
         Section("a", "A", "Mon, 05 Dec 2026", "08:00:00", "1") +
             Section("b", "B", "Mon, 05 Dec 2026", "09:00:00")},
        {mInbox::MarkUnread, true, base},
        {mInbox::DeleteItem, true, Section("b", "B", "Mon, 05 Dec 2026", "09:00:00")},
        {mInbox::LoadItem, true, base},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        writeInbox(c.action == mInbox::MarkUnread
                       ? Section("a", "A", "Mon, 05 Dec 2026", "08:00:00", "1") +
                             Section("b", "B", "Mon, 05 Dec 2026", "09:00:00")
                       : base);
        inbox_.CurrentItem = InboxItem{"x", "y", "z", "t", "o", "a", 7};
        EXPECT_EQ(inbox_.InboxItemAction(c.action), c.result);
        EXPECT_EQ(stored(), c.after);
        if (c.action == mInbox::LoadItem) {
            EXPECT_EQ(inbox_.CurrentItem.Title, "A");
            EXPECT_EQ(inbox_.CurrentItem.Read, 0);
        } else {
            EXPECT_EQ(inbox_.CurrentItem.Title, "x");
        }
    }
}

TEST_F(InboxTest, NothingIsFoundWithoutASourceOrAMessage) {
    // A missing source folder is created, and nothing is found in it.
    EXPECT_FALSE(act("a", mInbox::ItemExists));
    EXPECT_TRUE(fs::is_directory(data_.file(kSource)));
    EXPECT_FALSE(fs::exists(inboxPath()));

    writeInbox(Section("a", "A", "Mon, 05 Dec 2026", "08:00:00"));
    EXPECT_FALSE(act("b", mInbox::DeleteItem));
    EXPECT_FALSE(act("", mInbox::ItemExists));
    for (const char* id : {"", "   "}) {
        inbox_.CurrentSourceID = id;
        EXPECT_FALSE(act("a", mInbox::ItemExists));
    }
}

TEST_F(InboxTest, UnsafeSourceIdentifiersTouchNothing) {
    for (const char* id : {".", "..", "../escape", "a/b", "/tmp"}) {
        SCOPED_TRACE(id);
        inbox_.CurrentSourceID = id;
        EXPECT_FALSE(act("a", mInbox::ItemExists));
        EXPECT_FALSE(save("a", "t"));
        inbox_.LoadLatestStamp();
        EXPECT_EQ(inbox_.LatestDate, "");
        TreeControl tree("tvMessages");
        inbox_.LoadInbox(tree);
    }
    EXPECT_FALSE(fs::exists(data_.path() + "/../escape"));
    EXPECT_FALSE(fs::exists(data_.file("a")));
    EXPECT_FALSE(fs::exists(data_.file("inbox.dat")));
}

TEST_F(InboxTest, GuidsCompareExactlyAlthoughSectionNamesIgnoreCase) {
    makeFolder();
    ASSERT_TRUE(save("ABC", "upper"));
    const std::string before = stored();
    for (std::int32_t action :
         {mInbox::ItemExists, mInbox::MarkRead, mInbox::DeleteItem, mInbox::LoadItem}) {
        EXPECT_FALSE(act("abc", action));
    }
    EXPECT_EQ(stored(), before);

    // A second guid that differs only in case gets a section of its own.
    ASSERT_TRUE(save("abc", "lower"));
    EXPECT_EQ(load("ABC").Title, "upper");
    EXPECT_EQ(load("abc").Title, "lower");
    ASSERT_TRUE(act("abc", mInbox::MarkRead));
    EXPECT_EQ(load("ABC").Read, 0);
    EXPECT_EQ(load("abc").Read, 1);
    ASSERT_TRUE(act("ABC", mInbox::DeleteItem));
    EXPECT_FALSE(act("ABC", mInbox::ItemExists));
    EXPECT_EQ(load("abc").Title, "lower");
    // Saved again, the same guid goes to the section it already has.
    ASSERT_TRUE(save("abc", "lower again"));
    TreeControl tree("tvMessages");
    TreeNode* node = loadTree(tree);
    ASSERT_EQ(node->childCount(), 1);
    EXPECT_EQ(node->child(0)->text(), "lower again");
}

TEST_F(InboxTest, AwkwardGuidsReadBackAndDamageNothing) {
    makeFolder();
    ASSERT_TRUE(save("plain-before", "Before"));
    const std::vector<std::string> guids = {
        "a]b",
        "[bracketed]",
        "line\nbreak",
        "cr\rreturn",
        "crlf\r\n",
        " leading blank",
        "trailing blank ",
        "\ttab",
        "=hex:41",
        "=HEX:41",
        "A",
        "<guid attr=\"v\">&amp;</guid>",
        "'single' \"double\"",
        ";comment-like",
        "key=value",
        "   ",
    };
    for (const std::string& guid : guids) {
        SCOPED_TRACE(guid);
        ASSERT_TRUE(save(guid, "Title of " + guid));
    }
    ASSERT_TRUE(save("plain-after", "After"));

    // Ordinary guids keep their plain section lines.
    const std::string file = stored();
    EXPECT_EQ(file.rfind(Section("plain-before", "Before", "Mon, 05 Dec 2026", "08:56:31"), 0), 0u);
    EXPECT_NE(file.find("\r\n[plain-after]\r\ntitle=After\r\n"), std::string::npos);
    EXPECT_NE(file.find("\r\n[A]\r\n"), std::string::npos);

    for (const std::string& guid : guids) {
        SCOPED_TRACE(guid);
        EXPECT_TRUE(act(guid, mInbox::ItemExists));
        EXPECT_EQ(load(guid).Title, "Title of " + guid);
    }
    TreeControl tree("tvMessages");
    TreeNode* node = loadTree(tree);
    ASSERT_EQ(node->childCount(), static_cast<int>(guids.size()) + 2);
    std::vector<std::string> tags;
    for (int i = 0; i < node->childCount(); ++i)
        tags.push_back(node->child(i)->tag());
    EXPECT_EQ(tags.front(), "plain-before");
    EXPECT_EQ(tags.back(), "plain-after");
    for (size_t i = 0; i < guids.size(); ++i)
        EXPECT_EQ(tags[i + 1], guids[i]);

    for (const std::string& guid : guids) {
        SCOPED_TRACE(guid);
        ASSERT_TRUE(act(guid, mInbox::MarkRead));
        EXPECT_EQ(load(guid).Read, 1);
        ASSERT_TRUE(act(guid, mInbox::DeleteItem));
        EXPECT_FALSE(act(guid, mInbox::ItemExists));
    }
    EXPECT_EQ(stored(), Section("plain-before", "Before", "Mon, 05 Dec 2026", "08:56:31") +
                            Section("plain-after", "After", "Mon, 05 Dec 2026", "08:56:31"));
}

TEST_F(InboxTest, AwkwardValuesReadBackUnchanged) {
    makeFolder();
    struct Case {
        std::string title;
        std::string description;  // as given
        std::string loaded;       // as LoadItem gives it back
    };
    const std::vector<Case> cases = {
        {"two\nlines", "a\nb", "a\r\nb"},
        {"crlf\r\nin title", "a\r\nb", "a\r\nb"},
        {"lone\rreturn", "lone\rreturn", "lone\rreturn"},
        {"  padded  ", "  padded  ", "  padded  "},
        {"\"quoted\"", "'quoted'", "'quoted'"},
        {"<b>markup</b> & \"entities\" &amp;", "<p>[1] 100% done</p>", "<p>[1] 100% done</p>"},
        {"=esc:looks escaped %0A", "=esc:%25", "=esc:%25"},
        {"50% off\r", "50%\r\n\rx", "50%\r\n\rx"},
        {"[section-like]", "key=value", "key=value"},
        {"", "", ""},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.title);
        const std::string guid = "g" + std::to_string(i);
        inbox_.CurrentItem =
            InboxItem{c.title, c.description, "Mon,\n05 Dec 2026", " 08:56:31", "GMT\r", guid, 0};
        ASSERT_TRUE(inbox_.SaveItem());
        InboxItem item = load(guid);
        EXPECT_EQ(item.Title, c.title);
        EXPECT_EQ(item.Description, c.loaded);
        EXPECT_EQ(item.Date, "Mon,\n05 Dec 2026");
        EXPECT_EQ(item.Time, " 08:56:31");
        EXPECT_EQ(item.Offset, "GMT\r");
    }
    // Every message is still one section of six lines, and every CR and LF is part of a line end.
    const std::string file = stored();
    size_t lines = 0;
    for (size_t i = 0; i < file.size(); ++i) {
        if (file[i] == '\r') {
            ASSERT_LT(i + 1, file.size());
            ASSERT_EQ(file[i + 1], '\n') << i;
            ++lines;
            ++i;
        } else {
            ASSERT_NE(file[i], '\n') << i;
        }
    }
    EXPECT_EQ(lines, cases.size() * 7);
}

TEST_F(InboxTest, EveryMessageIsFoundInALargeInbox) {
    std::string file;
    for (int i = 0; i < 2000; ++i) {
        file += Section("http://www.vellorin.net/messages/" + std::to_string(i),
                        "T" + std::to_string(i), "Mon, 05 Dec 2026", "08:00:00");
    }
    writeInbox(file);
    const std::string last = "http://www.vellorin.net/messages/1999";
    EXPECT_TRUE(act(last, mInbox::ItemExists));
    EXPECT_EQ(load(last).Title, "T1999");
    ASSERT_TRUE(act(last, mInbox::DeleteItem));
    EXPECT_FALSE(act(last, mInbox::ItemExists));
    TreeControl tree("tvMessages");
    EXPECT_EQ(loadTree(tree)->childCount(), 1999);
}

TEST_F(InboxTest, AFiveMegabyteDescriptionIsNotCutShort) {
    makeFolder();
    std::string description(5 * 1024 * 1024, 'x');
    for (size_t i = 0; i < description.size(); i += 1000)
        description[i] = '\n';
    ASSERT_TRUE(save("big", "Big", "Mon, 05 Dec 2026", "08:00:00", description));
    ASSERT_TRUE(save("after", "After"));
    std::string expected;
    for (char c : description) {
        if (c == '\n')
            expected += "\r\n";
        else
            expected += c;
    }
    EXPECT_EQ(load("big").Description, expected);
    EXPECT_EQ(load("after").Title, "After");
}

TEST_F(InboxTest, GarbageLinesAreIgnored) {
    writeInbox(
        "stray text before any section\r\n"
        "=no key\r\n" +
        Section("a", "A", "Mon, 05 Dec 2026", "08:00:00") +
        "this line has no equals sign\r\n"
        "[unterminated header\r\n"
        "; a comment\r\n"
        "\r\n" +
        Section("b", "B", "Tue, 06 Dec 2026", "08:00:00") + "[]\r\ntitle=nameless\r\n");
    EXPECT_TRUE(act("a", mInbox::ItemExists));
    EXPECT_EQ(load("b").Title, "B");
    inbox_.LoadLatestStamp();
    EXPECT_EQ(inbox_.LatestDate, "06 Dec 2026");
    TreeControl tree("tvMessages");
    EXPECT_EQ(childTexts(loadTree(tree)), (std::vector<std::string>{"B", "A"}));
}

TEST_F(InboxTest, ABinaryFileBreaksNothing) {
    std::mt19937 rng(7);
    std::string bytes(200000, '\0');
    for (char& c : bytes)
        c = static_cast<char>(rng() & 0xFF);
    writeInbox(bytes);
    inbox_.LoadLatestStamp();
    TreeControl tree("tvMessages");
    TreeNode* node = loadTree(tree);
    ASSERT_NE(node, nullptr);
    for (int i = 0; i < node->childCount(); ++i) {
        inbox_.CurrentItem.Guid = node->child(i)->tag();
        EXPECT_TRUE(inbox_.InboxItemAction(mInbox::ItemExists));
    }
    inbox_.CurrentItem = InboxItem{"t", "d", "Mon, 05 Dec 2026", "08:00:00", "", "new", 0};
    (void)inbox_.IsNew();
    ASSERT_TRUE(inbox_.SaveItem());
    EXPECT_EQ(load("new").Title, "t");
}

TEST_F(InboxTest, ReadFlagsThatAreNotNumbersCountAsUnread) {
    struct Case {
        std::string flag;
        std::int16_t read;
    };
    const std::vector<Case> cases = {{"1", 1},  {"0", 0},     {"", 0},       {"yes", 0},
                                     {"1x", 0}, {"99999", 0}, {"-70000", 0}, {" 1 ", 1}};
    std::string file;
    for (size_t i = 0; i < cases.size(); ++i) {
        file += Section("g" + std::to_string(i), "T" + std::to_string(i), "Mon, 05 Dec 2026",
                        "08:00:00", cases[i].flag);
    }
    file += "[nokey]\r\ntitle=No read key\r\ndate=Mon, 05 Dec 2026\r\n";
    writeInbox(file);
    TreeControl tree("tvMessages");
    TreeNode* node = loadTree(tree);
    ASSERT_EQ(node->childCount(), static_cast<int>(cases.size()) + 1);
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].flag);
        EXPECT_EQ(load("g" + std::to_string(i)).Read, cases[i].read);
        const TreeNode* child = node->child(static_cast<int>(i));
        EXPECT_EQ(child->image(), cases[i].read ? kImageRead : kImageUnread);
        EXPECT_EQ(child->bold(), cases[i].read == 0);
    }
    EXPECT_EQ(load("nokey").Read, 0);
    EXPECT_EQ(node->child(static_cast<int>(cases.size()))->image(), kImageUnread);
}

TEST_F(InboxTest, LoadInboxPutsTheNewestFirst) {
    writeInbox(Section("d4", "Fourth of Dec", "Sun, 04 Dec 2026", "12:00:00", "1") +
               Section("bad", "Unreadable date", "someday", "12:00:00") +
               Section("d6", "Sixth of Dec", "Tue, 06 Dec 2026", "01:00:00") +
               Section("d5early", "Fifth early", "Mon, 05 Dec 2026", "08:56:31", "1") +
               Section("nodate", "No date", "", "") +
               Section("d5late", "Fifth late", "Mon, 05 Dec 2026", "10:15:00") +
               Section("d5bad", "Fifth no time", "05 Dec 2026", "noon"));
    TreeControl tree("tvMessages");
    TreeNode* node = loadTree(tree);
    EXPECT_EQ(childTexts(node), (std::vector<std::string>{
                                    "Sixth of Dec", "Fifth late", "Fifth early", "Fifth no time",
                                    "Fourth of Dec", "Unreadable date", "No date"}));
    const TreeNode* d6 = node->child(0);
    EXPECT_EQ(d6->tag(), "d6");
    EXPECT_EQ(d6->image(), kImageUnread);
    EXPECT_TRUE(d6->bold());
    EXPECT_EQ(d6->key(), "");
    const TreeNode* d4 = node->child(4);
    EXPECT_EQ(d4->image(), kImageRead);
    EXPECT_FALSE(d4->bold());
    EXPECT_EQ(seam_.eventTurns, 1);

    // Loading again replaces the messages, and the source node keeps its text and tag.
    tree.findNode(kSource)->setTag("http://source");
    TreeNode* again = loadTree(tree);
    EXPECT_EQ(again->childCount(), 7);
    EXPECT_EQ(again->tag(), "http://source");
    EXPECT_EQ(again->text(), "Source");
    EXPECT_FALSE(again->expanded());
    EXPECT_EQ(tree.count(), 8u);
}

TEST_F(InboxTest, LoadInboxForAMissingFolderCreatesItAndLeavesTheTreeAlone) {
    TreeControl tree("tvMessages");
    TreeNode* source = tree.addRoot(kSource, "Source", kImageSource);
    tree.addChild(*source, "", "old message", kImageUnread);
    inbox_.LoadInbox(tree);
    EXPECT_TRUE(fs::is_directory(data_.file(kSource)));
    ASSERT_EQ(tree.findNode(kSource), source);
    EXPECT_EQ(source->childCount(), 1);
    EXPECT_EQ(seam_.eventTurns, 0);
}

TEST_F(InboxTest, ResetSourceNodeRebuildsTheNodeInEitherTree) {
    TreeControl messages("tvMessages");
    messages.setSorted(true);
    messages.addRoot("zz", "Zulu", kImageSource);
    TreeNode* node = messages.addRoot(kSource, "Alpha", kImageSource);
    node->setTag("http://a");
    node->setExpanded(true);
    messages.addChild(*node, "", "m", kImageUnread);
    messages.setSelectedNode(node);
    TreeNode* again = inbox_.ResetSourceNode(messages);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->childCount(), 0);
    EXPECT_EQ(again->tag(), "http://a");
    EXPECT_EQ(again->image(), kImageSource);
    EXPECT_EQ(again->selectedImage(), kImageSource);
    EXPECT_FALSE(again->expanded());
    EXPECT_EQ(messages.selectedNode(), nullptr);
    EXPECT_EQ(messages.topLevelNode(0), again);
    EXPECT_TRUE(messages.sorted());

    TreeControl manager("tvSources");
    TreeNode* root = manager.addRoot("main", "Sources", kImageSource);
    manager.addChild(*root, kSource, "Alpha", kImageManagerSource, kImageManagerSource)
        ->setTag("http://a");
    again = inbox_.ResetSourceNode(manager);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->parent(), root);
    EXPECT_EQ(again->image(), kImageManagerSource);
    EXPECT_EQ(again->tag(), "http://a");

    TreeControl empty("tvMessages");
    EXPECT_EQ(inbox_.ResetSourceNode(empty), nullptr);
    EXPECT_EQ(empty.count(), 0u);
}

class LatestStampTest : public InboxTest {};

TEST_F(LatestStampTest, IsTheNewestDateAndTimeInEitherOrder) {
    const std::string early = Section("e", "E", "Mon, 05 Dec 2026", "08:56:31");
    const std::string late = Section("l", "L", "Mon, 05 Dec 2026", "10:15:00");
    const std::string older = Section("o", "O", "Sat, 03 Dec 2026", "23:00:00");
    for (const std::string& file : {early + late + older, older + late + early}) {
        writeInbox(file);
        inbox_.LoadLatestStamp();
        EXPECT_EQ(inbox_.LatestDate, "05 Dec 2026");
        EXPECT_EQ(inbox_.LatestTime, "10:15:00");
    }
    struct Probe {
        const char* date;
        const char* time;
        bool isNew;
    };
    for (const Probe& p : std::vector<Probe>{{"Mon, 05 Dec 2026", "10:15:00", false},
                                             {"Mon, 05 Dec 2026", "10:15:01", true},
                                             {"Mon, 05 Dec 2026", "09:00:00", false},
                                             {"Sun, 04 Dec 2026", "23:59:59", false},
                                             {"Tue, 06 Dec 2026", "00:00:00", true},
                                             {"06 Dec 2026", "00:00:00", true},
                                             {"", "anything", true},
                                             {"Mon,   ", "", true}}) {
        SCOPED_TRACE(std::string(p.date) + " " + p.time);
        inbox_.CurrentItem.Date = p.date;
        inbox_.CurrentItem.Time = p.time;
        EXPECT_EQ(inbox_.IsNew(), p.isNew);
    }
    EXPECT_TRUE(seam_.boxes.empty());
}

TEST_F(LatestStampTest, IsEmptyWithoutMessagesSoEverythingIsNew) {
    inbox_.LatestDate = "left over";
    inbox_.LatestTime = "left over";
    inbox_.LoadLatestStamp();
    EXPECT_EQ(inbox_.LatestDate, "");
    EXPECT_EQ(inbox_.LatestTime, "");
    EXPECT_TRUE(fs::is_directory(data_.file(kSource)));
    inbox_.CurrentItem.Date = "Sat, 01 Jan 2000";
    EXPECT_TRUE(inbox_.IsNew());

    inbox_.CurrentSourceID = "";
    inbox_.LoadLatestStamp();
    EXPECT_EQ(inbox_.LatestDate, "");
}

TEST_F(LatestStampTest, SkipsDatesThatCannotBeRead) {
    writeInbox(Section("x", "X", "Mon, 45 Dec 2026", "23:00:00") +
               Section("y", "Y", "not a date", "23:00:00") +
               Section("a", "A", "Mon, 05 Dec 2026", "garbage") +
               Section("b", "B", "Mon, 05 Dec 2026", "07:00:00") +
               Section("z", "Z", "Sun, 04 Dec 2026", "23:00:00"));
    inbox_.LoadLatestStamp();
    EXPECT_EQ(inbox_.LatestDate, "05 Dec 2026");
    EXPECT_EQ(inbox_.LatestTime, "07:00:00");

    writeInbox(Section("a", "A", "Mon, 05 Dec 2026", "garbage"));
    inbox_.LoadLatestStamp();
    EXPECT_EQ(inbox_.LatestDate, "05 Dec 2026");
    EXPECT_EQ(inbox_.LatestTime, "");
    inbox_.CurrentItem.Date = "Mon, 05 Dec 2026";
    inbox_.CurrentItem.Time = "00:00:00";
    EXPECT_TRUE(inbox_.IsNew());
}

TEST_F(LatestStampTest, AnItemThatCannotBeReadIsNotNewAndIsReported) {
    writeInbox(Section("a", "A", "Mon, 05 Dec 2026", "10:00:00"));
    inbox_.LoadLatestStamp();
    struct Probe {
        const char* date;
        const char* time;
        const char* text;
    };
    const std::vector<Probe> probes = {
        {"Mon, 31 Feb 2026", "10:00:00",
         "Error on Line 0\r\n\r\nThe date \"Mon, 31 Feb 2026\" cannot be read."},
        {"Mon, yesterday", "10:00:00",
         "Error on Line 0\r\n\r\nThe date \"Mon, yesterday\" cannot be read."},
        {"Mon, 05 Dec 2026", "25:00:00",
         "Error on Line 0\r\n\r\nThe time \"25:00:00\" cannot be read."},
        {"Mon, 05 Dec 2026", "", "Error on Line 0\r\n\r\nThe time \"\" cannot be read."},
    };
    for (const Probe& p : probes) {
        SCOPED_TRACE(p.date);
        seam_.clear();
        inbox_.CurrentItem.Date = p.date;
        inbox_.CurrentItem.Time = p.time;
        EXPECT_FALSE(inbox_.IsNew());
        ASSERT_EQ(seam_.boxes.size(), 1u);
        EXPECT_EQ(seam_.boxes[0].caption, "IsNew Function");
        EXPECT_EQ(seam_.boxes[0].text, p.text);
        EXPECT_EQ(seam_.boxes[0].icon, MsgIcon::Critical);
        EXPECT_EQ(seam_.boxes[0].buttons, MsgButtons::OK);

        seam_.clear();
        inbox_.setInteractive(false);
        EXPECT_FALSE(inbox_.IsNew());
        EXPECT_TRUE(seam_.boxes.empty());
        inbox_.setInteractive(true);
    }
    // A later day is new whatever its time says.
    inbox_.CurrentItem.Date = "Tue, 06 Dec 2026";
    inbox_.CurrentItem.Time = "garbage";
    EXPECT_TRUE(inbox_.IsNew());
}

class DebugInboxTest : public InboxTest {
protected:
    DebugInboxTest() : InboxTest("-DEBUG") {}
};

TEST_F(DebugInboxTest, EveryItemIsNew) {
    writeInbox(Section("a", "A", "Mon, 05 Dec 2026", "10:00:00"));
    inbox_.LoadLatestStamp();
    inbox_.CurrentItem.Date = "Thu, 01 Jan 1998";
    inbox_.CurrentItem.Time = "nonsense";
    EXPECT_TRUE(inbox_.IsNew());
    EXPECT_TRUE(seam_.boxes.empty());
}

}  // namespace
}  // namespace vellorin
