#include "inbox/inbox_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "inbox/inbox_world.h"
#include "view/tree_control.h"

namespace vellorin {
namespace {

namespace fs = std::filesystem;
using test::Strings;

constexpr const char* kSource = "0A1B2C3D-0000-4000-8000-000000000001";
constexpr const char* kDay = "Mon, 05 Dec 2026";

std::string Section(const std::string& guid, const std::string& title, const std::string& date,
                    const std::string& time, const std::string& read = "0") {
    return "[" + guid + "]\r\ntitle=" + title + "\r\ndescription=body\r\ndate=" + date +
           "\r\ntime=" + time + "\r\noffset=+0000\r\nread=" + read + "\r\n";
}

class InboxTest : public ::testing::Test, public test::InboxWorld {
protected:
    InboxTest() : inbox_(context.inbox) { inbox_.CurrentSourceID = kSource; }

    std::string file() const { return test::TempDir::read(inboxPath(kSource)); }
    void writeInbox(const std::string& bytes) {
        dir.write("data/" + std::string(kSource) + "/inbox.dat", bytes);
    }
    void makeFolder() { fs::create_directories(data + "/" + kSource); }
    bool save(const std::string& guid, const std::string& title,
              const std::string& description = "body", const std::string& time = "08:56:31") {
        inbox_.CurrentItem = InboxItem{title, description, kDay, time, "+0000", guid, 0};
        return inbox_.SaveItem();
    }
    bool act(const std::string& guid, std::int32_t action) {
        inbox_.CurrentItem.Guid = guid;
        return inbox_.InboxItemAction(action);
    }
    InboxItem load(const std::string& guid) { return item(kSource, guid); }
    bool isNew(const char* date, const char* time) {
        inbox_.CurrentItem.Date = date;
        inbox_.CurrentItem.Time = time;
        return inbox_.IsNew();
    }
    // The texts of the source's messages in the tree, after LoadInbox.
    Strings loadTree() {
        if (!tree_.findNode(kSource))
            tree_.addRoot(kSource, "Source", kImageSource, kImageSource);
        inbox_.LoadInbox(tree_);
        Strings texts;
        for (int i = 0; i < node()->childCount(); ++i)
            texts.push_back(node()->child(i)->text());
        return texts;
    }
    TreeNode* node() { return tree_.findNode(kSource); }

    mInbox& inbox_;
    TreeControl tree_{"tvMessages"};
};

TEST_F(InboxTest, SaveItemWritesTheStoredFormAndAppends) {
    makeFolder();
    ASSERT_TRUE(save("http://www.vellorin.net/m/1", "First", "line one\nline two\r\nline three"));
    ASSERT_TRUE(save("guid-2", "Second", "x", "10:00:00"));
    EXPECT_EQ(file(),
              "[http://www.vellorin.net/m/1]\r\ntitle=First\r\n"
              "description=line one\x05line two\x05line three\r\n"
              "date=Mon, 05 Dec 2026\r\ntime=08:56:31\r\noffset=+0000\r\nread=0\r\n"
              "[guid-2]\r\ntitle=Second\r\ndescription=x\r\ndate=Mon, 05 Dec 2026\r\n"
              "time=10:00:00\r\noffset=+0000\r\nread=0\r\n");
    EXPECT_EQ(load("http://www.vellorin.net/m/1").Description,
              "line one\r\nline two\r\nline three");
    EXPECT_FALSE(save("", "No guid"));
    inbox_.CurrentSourceID = "0A1B2C3D-0000-4000-8000-000000000002";
    EXPECT_FALSE(save("g", "t"));  // the folder is made by LoadLatestStamp, not here
    EXPECT_FALSE(fs::exists(inboxPath(inbox_.CurrentSourceID)));
}

TEST_F(InboxTest, ActionsFindTheMessageByItsGuid) {
    const std::string a0 = Section("a", "A", kDay, "08:00:00");
    const std::string a1 = Section("a", "A", kDay, "08:00:00", "1");
    const std::string b = Section("b", "B", kDay, "09:00:00");
    writeInbox(a0 + b);
    inbox_.CurrentItem = InboxItem{"x", "y", "z", "t", "o", "a", 7};
    for (std::int32_t code : {0, 6, std::int32_t{mInbox::ItemExists}})
        EXPECT_EQ(inbox_.InboxItemAction(code), code == mInbox::ItemExists) << code;
    EXPECT_TRUE(inbox_.InboxItemAction(mInbox::MarkRead));
    EXPECT_EQ(file(), a1 + b);
    // Only LoadItem changes CurrentItem, and never its guid.
    EXPECT_EQ(inbox_.CurrentItem.Title + inbox_.CurrentItem.Guid, "xa");
    EXPECT_TRUE(inbox_.InboxItemAction(mInbox::LoadItem));
    EXPECT_EQ(inbox_.CurrentItem.Title + inbox_.CurrentItem.Guid, "Aa");
    EXPECT_EQ(inbox_.CurrentItem.Read, 1);
    EXPECT_TRUE(inbox_.InboxItemAction(mInbox::MarkUnread));
    EXPECT_EQ(file(), a0 + b);
    EXPECT_TRUE(inbox_.InboxItemAction(mInbox::DeleteItem));
    // a is gone, b is intact, the file reads back.
    EXPECT_EQ(stored(kSource), Strings{"b"});
    EXPECT_EQ(load("b").Time, "09:00:00");
    for (std::int32_t code : {mInbox::ItemExists, mInbox::DeleteItem, mInbox::MarkRead})
        EXPECT_FALSE(act("a", code));
    EXPECT_FALSE(act("", mInbox::ItemExists));
    inbox_.CurrentSourceID = "   ";
    EXPECT_FALSE(act("b", mInbox::ItemExists));
    // A missing source folder is created, and nothing is found in it.
    inbox_.CurrentSourceID = "0A1B2C3D-0000-4000-8000-000000000002";
    EXPECT_FALSE(act("b", mInbox::ItemExists));
    EXPECT_TRUE(fs::is_directory(data + "/" + inbox_.CurrentSourceID));
}

TEST_F(InboxTest, UnsafeSourceIdentifiersTouchNothing) {
    for (const char* id : {".", "..", "../escape", "a/b", "/tmp"}) {
        SCOPED_TRACE(id);
        inbox_.CurrentSourceID = id;
        EXPECT_FALSE(act("a", mInbox::ItemExists));
        EXPECT_FALSE(save("a", "t"));
        inbox_.LoadLatestStamp();
        inbox_.LoadInbox(tree_);
    }
    EXPECT_FALSE(fs::exists(dir.file("escape")));
    EXPECT_FALSE(fs::exists(data + "/a"));
    EXPECT_FALSE(fs::exists(data + "/inbox.dat"));
}

TEST_F(InboxTest, GuidsCompareExactlyAlthoughSectionNamesIgnoreCase) {
    makeFolder();
    ASSERT_TRUE(save("ABC", "upper"));
    const std::string before = file();
    for (std::int32_t action :
         {mInbox::ItemExists, mInbox::MarkRead, mInbox::DeleteItem, mInbox::LoadItem})
        EXPECT_FALSE(act("abc", action));
    EXPECT_EQ(file(), before);

    // A second guid that differs only in case gets an escaped section of its own.
    ASSERT_TRUE(save("abc", "lower"));
    EXPECT_NE(file().find("\r\n[=hex:616263]\r\n"), std::string::npos);
    ASSERT_TRUE(act("abc", mInbox::MarkRead));
    EXPECT_EQ(load("ABC").Read, 0);
    ASSERT_TRUE(act("ABC", mInbox::DeleteItem));
    EXPECT_EQ(load("abc").Read, 1);
    // Saved again, the same guid goes to the section it already has.
    ASSERT_TRUE(save("abc", "lower again"));
    EXPECT_EQ(loadTree(), Strings{"lower again"});
}

TEST_F(InboxTest, AwkwardGuidsAndValuesReadBackAndDamageNothing) {
    makeFolder();
    ASSERT_TRUE(save("plain-before", "Before"));
    const struct {
        std::string guid, title, description, loaded;  // loaded: the description read back
    } cases[] = {
        {"a]b", "two\nlines", "a\nb", "a\r\nb"},
        {"[x]", "crlf\r\nin title", "a\r\nb", "a\r\nb"},
        {"line\nbreak", "lone\rreturn", "lone\rreturn", "lone\rreturn"},
        {"cr\r", std::string("nul\0inside", 10), std::string("nul\0", 4), std::string("nul\0", 4)},
        {"crlf\r\n", "  padded  ", "  padded  ", "  padded  "},
        {" lead", "\"quoted\"", "'quoted'", "'quoted'"},
        {"trail ", "<b>markup</b> & &amp;", "<p>[1] 100% done</p>", "<p>[1] 100% done</p>"},
        {"\ttab", "=esc:looks escaped %0A", "=esc:%25", "=esc:%25"},
        {"=hex:41", "[section-like]", "key=value", "key=value"},
        {"=HEX:41", "", "", ""},
        {"A", "a", "a", "a"},
        {"<g a=\"v\">&amp;</g>", "b", "b", "b"},
        {"'s' \"d\"", "c", "c", "c"},
        {";comment", "d", "d", "d"},
        {"key=value", "e", "e", "e"},
        {"   ", "f", "f", "f"}};
    for (const auto& c : cases) {
        inbox_.CurrentItem =
            InboxItem{c.title, c.description, "Mon,\n05 Dec 2026", " 08:56:31", "GMT\r", c.guid, 0};
        ASSERT_TRUE(inbox_.SaveItem()) << c.guid;
    }
    ASSERT_TRUE(save("plain-after", "After"));

    // Ordinary guids and values keep their plain lines; the others are escaped, so that every
    // message is still one section of seven lines and every CR and LF is in a line end.
    const std::string text = file();
    EXPECT_EQ(text.rfind(Section("plain-before", "Before", kDay, "08:56:31"), 0), 0u);
    for (const char* line :
         {"\r\n[plain-after]\r\ntitle=After\r\n", "\r\n[A]\r\n", "\r\n[=hex:615d62]\r\n",
          "\r\n[=hex:6c696e650a627265616b]\r\n", "\r\ntitle==esc:two%0Alines\r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    std::size_t lines = 0;
    for (std::size_t i = text.find_first_of("\r\n"); i != std::string::npos;
         i = text.find_first_of("\r\n", i + 2), ++lines)
        ASSERT_EQ(text.substr(i, 2), "\r\n") << i;
    EXPECT_EQ(lines, (std::size(cases) + 2) * 7);

    ASSERT_EQ(loadTree().size(), std::size(cases) + 2);
    Strings tags, guids = {"plain-after", "plain-before"};
    for (int i = 0; i < node()->childCount(); ++i)
        tags.push_back(node()->child(i)->tag());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.guid);
        guids.push_back(c.guid);
        InboxItem item = load(c.guid);
        EXPECT_EQ(item.Title, c.title);
        EXPECT_EQ(item.Description, c.loaded);
        EXPECT_EQ(item.Date + "|" + item.Time + "|" + item.Offset,
                  "Mon,\n05 Dec 2026| 08:56:31|GMT\r");
        ASSERT_TRUE(act(c.guid, mInbox::MarkRead));
        EXPECT_EQ(load(c.guid).Read, 1);
        ASSERT_TRUE(act(c.guid, mInbox::DeleteItem));
        EXPECT_FALSE(act(c.guid, mInbox::ItemExists));
    }
    std::sort(tags.begin(), tags.end());
    std::sort(guids.begin(), guids.end());
    EXPECT_EQ(tags, guids);
    EXPECT_EQ(stored(kSource), (Strings{"plain-before", "plain-after"}));
    EXPECT_EQ(load("plain-after").Title, "After");
}

TEST_F(InboxTest, LargeAndDamagedFilesAreReadWhole) {
    // Every one of 2000 messages is found.
    std::string many;
    for (int i = 0; i < 2000; ++i)
        many += Section("http://www.vellorin.net/m/" + std::to_string(i), "T" + std::to_string(i),
                        kDay, "08:00:00");
    writeInbox(many);
    EXPECT_EQ(load("http://www.vellorin.net/m/1999").Title, "T1999");
    ASSERT_TRUE(act("http://www.vellorin.net/m/0", mInbox::DeleteItem));
    EXPECT_EQ(loadTree().size(), 1999u);

    // A 5 MB description is not cut short.
    std::string description(5 * 1024 * 1024, 'x'), expected;
    for (std::size_t i = 0; i < description.size(); i += 1000)
        description[i] = '\n';
    for (char c : description)
        expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
    ASSERT_TRUE(save("big", "Big", description));
    ASSERT_TRUE(save("after", "After"));
    EXPECT_EQ(load("big").Description, expected);
    EXPECT_EQ(load("after").Title, "After");

    // Lines that are not part of a message are passed over.
    writeInbox("stray text\r\n=no key\r\n" + Section("a", "A", kDay, "08:00:00") +
               "no equals sign\r\n[unterminated header\r\n; a comment\r\n\r\n" +
               Section("b", "B", "Tue, 06 Dec 2026", "08:00:00") + "[]\r\ntitle=nameless\r\n");
    EXPECT_EQ(load("b").Title, "B");
    inbox_.LoadLatestStamp();
    EXPECT_EQ(inbox_.LatestDate, "06 Dec 2026");
    EXPECT_EQ(loadTree(), (Strings{"B", "A"}));

    // So is a file of random bytes, and a new message can still be saved.
    std::mt19937 rng(7);
    std::string bytes(200000, '\0');
    for (char& c : bytes)
        c = static_cast<char>(rng() & 0xFF);
    writeInbox(bytes);
    inbox_.LoadLatestStamp();
    loadTree();
    for (int i = 0; i < node()->childCount(); ++i)
        EXPECT_TRUE(act(node()->child(i)->tag(), mInbox::ItemExists));
    (void)isNew(kDay, "08:00:00");
    ASSERT_TRUE(save("new", "t"));
    EXPECT_EQ(load("new").Title, "t");
}

TEST_F(InboxTest, ReadFlagsThatAreNotNumbersCountAsUnread) {
    const std::pair<std::string, std::int16_t> cases[] = {{"1", 1},      {"0", 0},  {"", 0},
                                                          {"yes", 0},    {"1x", 0}, {"99999", 0},
                                                          {"-70000", 0}, {" 1 ", 1}};
    std::string text;
    for (std::size_t i = 0; i < std::size(cases); ++i)
        text += Section("g" + std::to_string(i), "T", kDay, "08:00:00", cases[i].first);
    writeInbox(text + "[nokey]\r\ntitle=No read key\r\ndate=Mon, 05 Dec 2026\r\n");
    ASSERT_EQ(loadTree().size(), std::size(cases) + 1);
    for (std::size_t i = 0; i <= std::size(cases); ++i) {
        const std::int16_t read = i < std::size(cases) ? cases[i].second : 0;
        SCOPED_TRACE(i);
        EXPECT_EQ(load(i < std::size(cases) ? "g" + std::to_string(i) : "nokey").Read, read);
        const TreeNode* child = node()->child(static_cast<int>(i));
        EXPECT_EQ(child->image(), read ? kImageRead : kImageUnread);
        EXPECT_EQ(child->bold(), read == 0);
    }
}

TEST_F(InboxTest, LoadInboxPutsTheNewestFirstAndUnreadableDatesLast) {
    writeInbox(Section("d4", "Fourth", "Sun, 04 Dec 2026", "12:00:00", "1") +
               Section("bad", "Unreadable date", "someday", "12:00:00") +
               Section("d6", "Sixth", "Tue, 06 Dec 2026", "01:00:00") +
               Section("d5early", "Fifth early", kDay, "08:56:31", "1") +
               Section("nodate", "No date", "", "") +
               Section("d5late", "Fifth late", kDay, "10:15:00") +
               Section("d5bad", "Fifth no time", "05 Dec 2026", "noon"));
    EXPECT_EQ(loadTree(), (Strings{"Sixth", "Fifth late", "Fifth early", "Fifth no time", "Fourth",
                                   "Unreadable date", "No date"}));
    EXPECT_EQ(seam.eventTurns, 1);

    // Loading again replaces the messages; the source node keeps its text and tag.
    node()->setTag("http://source");
    loadTree();
    EXPECT_EQ(node()->tag(), "http://source");
    EXPECT_EQ(node()->text(), "Source");
    EXPECT_EQ(tree_.count(), 8u);

    // Without its folder (made now), the source's node is left alone.
    inbox_.CurrentSourceID = "0A1B2C3D-0000-4000-8000-000000000002";
    TreeNode* other = tree_.addRoot(inbox_.CurrentSourceID, "Other", kImageSource);
    tree_.addChild(*other, "", "old message", kImageUnread);
    inbox_.LoadInbox(tree_);
    EXPECT_TRUE(fs::is_directory(data + "/" + inbox_.CurrentSourceID));
    EXPECT_EQ(other->childCount(), 1);
    EXPECT_EQ(seam.eventTurns, 2);
}

TEST_F(InboxTest, LatestStampIsTheNewestReadableDateAndTime) {
    inbox_.LatestDate = inbox_.LatestTime = "left over";
    inbox_.LoadLatestStamp();  // no messages yet: everything is new
    EXPECT_EQ(inbox_.LatestDate + inbox_.LatestTime, "");
    EXPECT_TRUE(isNew("Sat, 01 Jan 2000", ""));

    const std::string late = Section("l", "L", kDay, "10:15:00");
    const std::string rest = Section("e", "E", kDay, "08:56:31") +
                             Section("g", "G", kDay, "garbage") +
                             Section("x", "X", "Mon, 45 Dec 2026", "23:00:00") +
                             Section("y", "Y", "not a date", "23:00:00") +
                             Section("o", "O", "Sat, 03 Dec 2026", "23:00:00");
    for (const std::string& text : {late + rest, rest + late}) {
        writeInbox(text);
        inbox_.LoadLatestStamp();
        EXPECT_EQ(inbox_.LatestDate + " " + inbox_.LatestTime, "05 Dec 2026 10:15:00");
    }
    EXPECT_FALSE(isNew(kDay, "10:15:00"));
    EXPECT_TRUE(isNew(kDay, "10:15:01"));
    EXPECT_FALSE(isNew("Sun, 04 Dec 2026", "23:59:59"));
    EXPECT_TRUE(isNew("06 Dec 2026", "00:00:00"));
    EXPECT_TRUE(isNew("", "anything"));
    EXPECT_TRUE(isNew("Mon,   ", ""));
    EXPECT_TRUE(seam.boxes.empty());

    // The newest day's time cannot be read: the stamp has no time, so that day is new.
    writeInbox(Section("a", "A", kDay, "garbage") + Section("b", "B", "Sun, 04 Dec 2026", "07:00"));
    inbox_.LoadLatestStamp();
    EXPECT_EQ(inbox_.LatestDate + "|" + inbox_.LatestTime, "05 Dec 2026|");
    EXPECT_TRUE(isNew(kDay, "00:00:00"));
}

TEST_F(InboxTest, AnItemThatCannotBeReadIsNotNewAndIsReportedWhenInteractive) {
    writeInbox(Section("a", "A", kDay, "10:00:00"));
    inbox_.LoadLatestStamp();
    auto expectReported = [&](const char* date, const char* time, const std::string& what) {
        seam.clear();
        EXPECT_FALSE(isNew(date, time));
        ASSERT_EQ(seam.boxes.size(), 1u);
        EXPECT_EQ(seam.boxes[0].caption, "IsNew Function");
        EXPECT_EQ(seam.boxes[0].text, "Error on Line 0\r\n\r\nThe " + what + " cannot be read.");
        EXPECT_EQ(seam.boxes[0].icon, MsgIcon::Critical);
        EXPECT_EQ(seam.boxes[0].buttons, MsgButtons::OK);
        inbox_.setInteractive(false);
        EXPECT_FALSE(isNew(date, time));
        EXPECT_EQ(seam.boxes.size(), 1u);
        inbox_.setInteractive(true);
    };
    expectReported("Mon, 31 Feb 2026", "10:00:00", "date \"Mon, 31 Feb 2026\"");
    expectReported(kDay, "25:00:00", "time \"25:00:00\"");
    EXPECT_TRUE(isNew("Tue, 06 Dec 2026", "garbage"));  // a later day, whatever its time says
}

}  // namespace
}  // namespace vellorin
