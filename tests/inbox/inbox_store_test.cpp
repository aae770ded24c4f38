#include "inbox/inbox_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "inbox/inbox_world.h"
#include "store/profile_journal.h"
#include "view/tree_control.h"

namespace vellorin {
namespace {

namespace fs = std::filesystem;
using test::Strings;

constexpr const char* kSource = "0A1B2C3D-0000-4000-8000-000000000001";
constexpr const char* kDay = "Mon, 05 Dec 2026";

InboxItem Item(const std::string& guid, const std::string& title = "Title") {
    return InboxItem{title, "line one\nline two", kDay, "08:56:31", "+0000", guid, 0};
}

std::string Section(const std::string& guid, const std::string& title, const std::string& date,
                    const std::string& time, const std::string& read = "0") {
    return "[" + guid + "]\r\ntitle=" + title + "\r\ndescription=body\r\ndate=" + date +
           "\r\ntime=" + time + "\r\noffset=+0000\r\nread=" + read + "\r\n";
}

class InboxTest : public ::testing::Test, public test::InboxWorld {
protected:
    InboxTest() : inbox_(context.inbox) {
        inbox_.CurrentSourceID = kSource;
        fs::create_directories(data + "/" + kSource);
    }

    std::string file() const { return test::TempDir::read(inboxPath(kSource)); }
    void writeInbox(const std::string& bytes) {
        dir.write("data/" + std::string(kSource) + "/inbox.dat", bytes);
    }
    bool save(const std::string& guid, const std::string& title,
              const std::string& description = "body") {
        inbox_.CurrentItem = InboxItem{title, description, kDay, "08:56:31", "+0000", guid, 0};
        return inbox_.SaveItem();
    }
    bool act(const std::string& guid, std::int32_t action) {
        inbox_.CurrentItem.Guid = guid;
        return inbox_.InboxItemAction(action);
    }
    InboxItem load(const std::string& guid) { return item(kSource, guid); }
    SaveItemsResult saveAll(const std::vector<InboxItem>& items) { return inbox_.SaveItems(items); }
    Strings loadTree() {
        if (!node())
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

TEST_F(InboxTest, SaveAndActionsKeepTheStoredFormByteForByte) {
    ASSERT_TRUE(save("http://www.vellorin.net/m/1", "First", "line one\nline two\r\nline three"));
    ASSERT_TRUE(save("guid-2", "Second", "x"));
    const std::string prefix =
        "[http://www.vellorin.net/m/1]\r\ntitle=First\r\n"
        "description=line one\x05line two\x05line three\r\n"
        "date=Mon, 05 Dec 2026\r\ntime=08:56:31\r\noffset=+0000\r\nread=0\r\n"
        "[guid-2]\r\ntitle=Second\r\ndescription=x\r\ndate=Mon, 05 Dec 2026\r\n"
        "time=08:56:31\r\noffset=+0000\r\nread=";
    EXPECT_EQ(file(), prefix + "0\r\n");
    EXPECT_EQ(load("http://www.vellorin.net/m/1").Description,
              "line one\r\nline two\r\nline three");
    EXPECT_FALSE(save("", "No guid"));
    ASSERT_TRUE(act("guid-2", mInbox::MarkRead));
    EXPECT_EQ(file(), prefix + "1\r\n");
    EXPECT_FALSE(act("guid-2", 6));
    ASSERT_TRUE(act("http://www.vellorin.net/m/1", mInbox::DeleteItem));
    EXPECT_EQ(stored(kSource), Strings{"guid-2"});
    EXPECT_FALSE(act("http://www.vellorin.net/m/1", mInbox::ItemExists));
}

TEST_F(InboxTest, UnsafeSourceIdentifiersTouchNothing) {
    for (const char* id : {"   ", ".", "..", "../escape", "a/b", "/tmp"}) {
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

TEST_F(InboxTest, AwkwardGuidsAndValuesAreEscapedAndActedOnExactly) {
    ASSERT_TRUE(save("ABC", "upper"));
    const std::string before = file();
    for (std::int32_t action :
         {mInbox::ItemExists, mInbox::MarkRead, mInbox::DeleteItem, mInbox::LoadItem})
        EXPECT_FALSE(act("abc", action));
    EXPECT_EQ(file(), before);

    const struct {
        std::string guid, title, description, loaded;  // loaded: the description read back
    } cases[] = {{"abc", "case only", "a\nb", "a\r\nb"},
                 {"a]b", "two\nlines", "lone\rreturn", "lone\rreturn"},
                 {"line\nbreak", std::string("nul\0in", 6), std::string("nul\0", 4),
                  std::string("nul\0", 4)},
                 {"crlf\r\n", "  padded  ", "'quoted'", "'quoted'"},
                 {" lead", "=esc:looks escaped %0A", "=esc:%25", "=esc:%25"},
                 {"=hex:41", "\"quoted\"", "", ""},
                 {"=HEX:41", "", "x", "x"},
                 {"   ", ";comment", "f", "f"}};
    const auto saveCase = [&](const auto& c) {
        inbox_.CurrentItem =
            InboxItem{c.title, c.description, "Mon,\n05 Dec 2026", " 08:56:31", "GMT\r", c.guid, 0};
        return inbox_.SaveItem();
    };
    for (const auto& c : cases)
        ASSERT_TRUE(saveCase(c)) << c.guid;
    ASSERT_TRUE(saveCase(cases[0]));  // again: the same section

    const std::string text = file();
    EXPECT_EQ(text.rfind(before, 0), 0u);
    for (const char* line :
         {"\r\n[=hex:616263]\r\n", "\r\n[=hex:615d62]\r\n", "\r\n[=hex:6c696e650a627265616b]\r\n",
          "\r\ntitle==esc:two%0Alines\r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    const auto lines = static_cast<std::ptrdiff_t>((std::size(cases) + 1) * 7);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), lines);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), lines);
    ASSERT_EQ(loadTree().size(), std::size(cases) + 1);
    for (int i = 0; i < node()->childCount(); ++i)
        EXPECT_TRUE(act(node()->child(i)->tag(), mInbox::ItemExists)) << node()->child(i)->tag();

    for (const auto& c : cases) {
        SCOPED_TRACE(c.guid);
        InboxItem item = load(c.guid);
        EXPECT_EQ(item.Title + "|" + item.Description, c.title + "|" + c.loaded);
        EXPECT_EQ(item.Date + "|" + item.Time + "|" + item.Offset,
                  "Mon,\n05 Dec 2026| 08:56:31|GMT\r");
        ASSERT_TRUE(act(c.guid, mInbox::MarkRead));
        ASSERT_TRUE(act(c.guid, mInbox::DeleteItem));
    }
    EXPECT_EQ(file(), before);
}

TEST_F(InboxTest, DamagedFilesAreReadWholeAndTheirMessagesActedOn) {
    writeInbox("stray text\r\n=no key\r\n" + Section("a", "A", kDay, "08:00:00") +
               "no equals sign\r\n[unterminated header\r\n; a comment\r\n\r\n" +
               Section("b", "B", "Tue, 06 Dec 2026", "08:00:00") + "[]\r\ntitle=nameless\r\n");
    EXPECT_EQ(load("b").Title, "B");
    inbox_.LoadLatestStamp();
    EXPECT_EQ(inbox_.LatestDate, "06 Dec 2026");
    EXPECT_EQ(loadTree(), (Strings{"B", "A"}));

    std::mt19937 rng(7);
    std::string bytes(200000, '\0');
    for (char& c : bytes)
        c = static_cast<char>(rng() & 0xFF);
    writeInbox(bytes);
    inbox_.LoadLatestStamp();
    loadTree();
    for (int i = 0; i < node()->childCount(); ++i)
        EXPECT_TRUE(act(node()->child(i)->tag(), mInbox::ItemExists));
    ASSERT_TRUE(save("new", "t"));
    EXPECT_EQ(load("new").Title, "t");
}

TEST_F(InboxTest, UnreadableFlagsCountAsUnreadAndUnreadableDatesSortLast) {
    const std::pair<std::string, std::int16_t> flags[] = {
        {"1", 1}, {"", 0}, {"1x", 0}, {"99999", 0}, {" 1 ", 1}};
    std::string text;
    for (std::size_t i = 0; i < std::size(flags); ++i)
        text += Section("g" + std::to_string(i), "T", kDay, "08:00:00", flags[i].first);
    writeInbox(text);
    ASSERT_EQ(loadTree().size(), std::size(flags));
    for (std::size_t i = 0; i < std::size(flags); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(load("g" + std::to_string(i)).Read, flags[i].second);
        EXPECT_EQ(node()->child(static_cast<int>(i))->bold(), flags[i].second == 0);
    }

    writeInbox(Section("d4", "Fourth", "Sun, 04 Dec 2026", "12:00:00", "1") +
               Section("bad", "Unreadable date", "someday", "12:00:00") +
               Section("d6", "Sixth", "Tue, 06 Dec 2026", "01:00:00") +
               Section("d5early", "Fifth early", kDay, "08:56:31", "1") +
               Section("nodate", "No date", "", "") +
               Section("d5late", "Fifth late", kDay, "10:15:00") +
               Section("d5bad", "Fifth no time", "05 Dec 2026", "noon"));
    EXPECT_EQ(loadTree(), (Strings{"Sixth", "Fifth late", "Fifth early", "Fifth no time", "Fourth",
                                   "Unreadable date", "No date"}));
}

TEST_F(InboxTest, IsNewComparesWithTheNewestReadableStamp) {
    auto isNew = [&](const char* date, const char* time) {
        inbox_.CurrentItem.Date = date;
        inbox_.CurrentItem.Time = time;
        return inbox_.IsNew();
    };
    inbox_.LoadLatestStamp();  // no messages yet: everything is new
    EXPECT_TRUE(isNew("Sat, 01 Jan 2000", ""));

    writeInbox(Section("e", "E", kDay, "08:56:31") + Section("g", "G", kDay, "garbage") +
               Section("l", "L", kDay, "10:15:00") +
               Section("x", "X", "Mon, 45 Dec 2026", "23:00:00") +
               Section("o", "O", "Sat, 03 Dec 2026", "23:00:00"));
    inbox_.LoadLatestStamp();
    EXPECT_EQ(inbox_.LatestDate + " " + inbox_.LatestTime, "05 Dec 2026 10:15:00");
    EXPECT_FALSE(isNew(kDay, "10:15:00") || isNew("Sun, 04 Dec 2026", "23:59:59"));
    EXPECT_TRUE(isNew(kDay, "10:15:01") && isNew("", "anything"));
    EXPECT_TRUE(isNew("Tue, 06 Dec 2026", "garbage"));  // a later day, whatever its time says
    EXPECT_TRUE(seam.boxes.empty());

    for (const auto& [date, time] :
         {std::pair{"Mon, 31 Feb 2026", "10:00:00"}, std::pair{kDay, "25:00:00"}}) {
        seam.clear();
        EXPECT_FALSE(isNew(date, time));
        inbox_.setInteractive(false);
        EXPECT_FALSE(isNew(date, time));
        inbox_.setInteractive(true);
        EXPECT_EQ(seam.captions(), Strings{"IsNew Function"});
    }
}

TEST_F(InboxTest, ABatchIsStoredOnceInOrderAsSingleSavesWouldStoreIt) {
    for (const char* guid : {"old", "b1", "B1", "b2"})
        ASSERT_TRUE(save(guid, "Title", "line one\nline two"));
    const std::string reference = file();
    fs::remove(inboxPath(kSource));

    ASSERT_TRUE(save("old", "Title", "line one\nline two"));
    const SaveItemsResult result =
        saveAll({Item("old"), Item("b1"), Item(""), Item("B1"), Item("b1", "again"), Item("b2")});
    EXPECT_EQ(result.error, 0);
    EXPECT_EQ(result.stored, 3);
    EXPECT_EQ(file(), reference);
    EXPECT_FALSE(fs::exists(profile::UndoJournalPath(inboxPath(kSource))));

    EXPECT_EQ(saveAll({Item("b2"), Item("old")}).stored, 0);
    EXPECT_EQ(file(), reference);

    // A failed write stores nothing and says why.
    fs::create_directory(profile::UndoJournalPath(inboxPath(kSource)));
    EXPECT_NE(saveAll({Item("n1")}).error, 0);
    EXPECT_EQ(file(), reference);
    fs::remove(profile::UndoJournalPath(inboxPath(kSource)));
    fs::remove(inboxPath(kSource));
    fs::create_directory(inboxPath(kSource));  // the inbox cannot be read
    EXPECT_EQ(saveAll({Item("n1")}).error, EISDIR);
}

TEST_F(InboxTest, AnAppendInterruptedByACrashIsUndoneAtTheNextAccess) {
    const std::string before =
        "[kept]\r\ntitle=Kept\r\ndescription=x\r\ndate=Sun, 04 Dec 2026\r\ntime=07:00:00\r\n"
        "offset=+0000\r\nread=1\r\n";
    const std::string batch =
        "[n1]\r\ntitle=New one\r\ndescription=y\r\ndate=Mon, 05 Dec 2026\r\ntime=08:00:00\r\n"
        "offset=+0000\r\nread=0\r\n[n2]\r\ntitle=New two\r\ndescription=z\r\n";
    const struct {
        std::string tail;  // what the crash left after `before`
        bool ofThisFile;   // the journal names this file's inode, not another's
        std::string end;   // the journal's end
        bool undone;       // the tail is cut off
    } cases[] = {
        {batch.substr(0, batch.size() - 9), true, " end\r\n", true},
        {batch.substr(0, 140), true, " end\r\n", true},
        {batch, true, " end\r\n", true},  // journal not yet removed
        {"", true, " end\r\n", true},
        {"", true, "", false},  // a journal cut short: no append followed
        {"", false, " end\r\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tail.size());
        writeInbox(before + c.tail);
        struct stat st {};
        ASSERT_EQ(::stat(inboxPath(kSource).c_str(), &st), 0);
        dir.write("data/" + std::string(kSource) + "/inbox.dat.undo",
                  "undo-append " + std::to_string(before.size()) + " " +
                      (c.ofThisFile ? std::to_string(st.st_ino) : "1") + c.end);
        EXPECT_EQ(stored(kSource), Strings{"kept"});
        EXPECT_EQ(file(), c.undone ? before : before + c.tail);
        EXPECT_FALSE(fs::exists(profile::UndoJournalPath(inboxPath(kSource))));

        const SaveItemsResult result = saveAll({Item("n1"), Item("n2"), Item("kept")});
        EXPECT_EQ(result.error, 0);
        EXPECT_EQ(result.stored, 2);
        EXPECT_EQ(stored(kSource), (Strings{"kept", "n1", "n2"}));
    }
}

}  // namespace
}  // namespace vellorin
