// A feed's new messages are stored with one append that a crash leaves whole or undone.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "inbox/inbox_store.h"
#include "inbox/inbox_world.h"
#include "store/profile_journal.h"

namespace vellorin {
namespace {

namespace fs = std::filesystem;
using test::Strings;

constexpr const char* kSource = "0A1B2C3D-0000-4000-8000-000000000002";

unsigned long InodeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_ino;
}

InboxItem Item(const std::string& guid, const std::string& title = "Title") {
    return InboxItem{title, "line one\nline two", "Mon, 05 Dec 2026", "08:56:31", "+0000", guid, 0};
}

class InboxBatchTest : public ::testing::Test, public test::InboxWorld {
protected:
    InboxBatchTest() : inbox_(context.inbox) {
        inbox_.CurrentSourceID = kSource;
        fs::create_directories(data + "/" + kSource);
    }
    std::string path() const { return inboxPath(kSource); }
    std::string file() const { return test::TempDir::read(path()); }
    SaveItemsResult save(const std::vector<InboxItem>& items) { return inbox_.SaveItems(items); }

    mInbox& inbox_;
};

TEST_F(InboxBatchTest, ABatchIsStoredOnceInOrderAsSingleSavesWouldStoreIt) {
    // The same messages stored one by one give the reference bytes.
    for (const char* guid : {"old", "b1", "B1", "b2"}) {
        inbox_.CurrentItem = Item(guid);
        ASSERT_TRUE(inbox_.SaveItem());
    }
    const std::string reference = file();
    fs::remove(path());

    inbox_.CurrentItem = Item("old");
    ASSERT_TRUE(inbox_.SaveItem());
    // Already stored, repeated within the batch, or without a guid: stored once or not at all.
    // "B1" next to "b1" differs only in letter case and gets a name of its own.
    const SaveItemsResult result =
        save({Item("old"), Item("b1"), Item(""), Item("B1"), Item("b1", "again"), Item("b2")});
    EXPECT_EQ(result.error, 0);
    EXPECT_EQ(result.stored, 3);
    EXPECT_EQ(file(), reference);
    EXPECT_EQ(stored(kSource), (Strings{"old", "b1", "B1", "b2"}));
    EXPECT_EQ(item(kSource, "B1").Description, "line one\r\nline two");
    EXPECT_FALSE(fs::exists(profile::UndoJournalPath(path())));

    EXPECT_EQ(save({Item("b2"), Item("old")}).stored, 0);
    EXPECT_EQ(file(), reference);
}

TEST_F(InboxBatchTest, AnAppendInterruptedByACrashIsUndoneAtTheNextAccess) {
    const std::string before =
        "[kept]\r\ntitle=Kept\r\ndescription=x\r\ndate=Sun, 04 Dec 2026\r\ntime=07:00:00\r\n"
        "offset=+0000\r\nread=1\r\n";
    const std::string batch =
        "[n1]\r\ntitle=New one\r\ndescription=y\r\ndate=Mon, 05 Dec 2026\r\ntime=08:00:00\r\n"
        "offset=+0000\r\nread=0\r\n[n2]\r\ntitle=New two\r\ndescription=z\r\n";
    const std::string whole = "undo-append " + std::to_string(before.size()) + " ";
    struct Case {
        const char* what;
        std::string journal;  // "{ino}" stands for the inbox file's inode number
        std::string tail;     // what the crash left after `before`
        bool undone;          // the tail is cut off
    };
    const std::vector<Case> cases = {
        {"torn in a value", whole + "{ino} end\r\n", batch.substr(0, batch.size() - 9), true},
        {"torn in a header", whole + "{ino} end\r\n", batch.substr(0, 140), true},
        {"the whole batch, journal not yet removed", whole + "{ino} end\r\n", batch, true},
        {"nothing appended yet", whole + "{ino} end\r\n", "", true},
        {"journal cut short: no append followed", whole + "{ino}", "", false},
        {"journal of a file since replaced", whole + "1 end\r\n", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dir.write("data/" + std::string(kSource) + "/inbox.dat", before + c.tail);
        std::string journal = c.journal;
        if (const auto at = journal.find("{ino}"); at != std::string::npos)
            journal.replace(at, 5, std::to_string(InodeOf(path())));
        dir.write("data/" + std::string(kSource) + "/inbox.dat.undo", journal);

        // Any access, a reading one too, first puts the file back as it was before the batch.
        EXPECT_EQ(stored(kSource), Strings{"kept"});
        EXPECT_EQ(file(), c.undone ? before : before + c.tail);
        EXPECT_FALSE(fs::exists(profile::UndoJournalPath(path())));

        // The next check stores the batch once, whole.
        const SaveItemsResult result = save({Item("n1"), Item("n2"), Item("kept")});
        EXPECT_EQ(result.error, 0);
        EXPECT_EQ(result.stored, 2);
        EXPECT_EQ(stored(kSource), (Strings{"kept", "n1", "n2"}));
        EXPECT_EQ(item(kSource, "n2").Offset, "+0000");
    }
}

TEST_F(InboxBatchTest, AFailedWriteStoresNothingAndSaysWhy) {
    inbox_.CurrentItem = Item("old");
    ASSERT_TRUE(inbox_.SaveItem());
    const std::string before = file();
    // A folder where the journal would go: it cannot be written, so the append never starts.
    fs::create_directory(profile::UndoJournalPath(path()));
    SaveItemsResult result = save({Item("n1")});
    EXPECT_NE(result.error, 0);
    EXPECT_EQ(result.stored, 0);
    EXPECT_EQ(file(), before);
    fs::remove(profile::UndoJournalPath(path()));

    fs::remove(path());
    fs::create_directory(path());  // the inbox cannot be read
    result = save({Item("n1")});
    EXPECT_EQ(result.error, EISDIR);
    EXPECT_EQ(result.stored, 0);
}

}  // namespace
}  // namespace vellorin
