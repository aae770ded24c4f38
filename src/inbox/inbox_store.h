#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace vellorin {

class AppContext;
class TreeControl;
class TreeNode;

// One message as every part reads or writes it through mInbox::CurrentItem.
struct InboxItem {
    std::string Title;
    std::string Description;  // HTML; line breaks as CR LF once loaded
    std::string Date;         // as the feed wrote it, weekday included: "Mon, 05 Dec 2026"
    std::string Time;         // "08:56:31"
    std::string Offset;       // the zone: "+0000", "GMT"
    std::string Guid;         // the message's key within its source
    std::int16_t Read = 0;    // 0 unread, 1 read
};

// What SaveItems did.
struct SaveItemsResult {
    int stored = 0;  // messages written
    int error = 0;   // the errno of a failed write (nothing was then written), else 0
};

// What MarkAllRead did.
struct MarkAllReadResult {
    int marked = 0;  // messages that were unread
    int error = 0;   // the errno of a failed write (see profile::SetKeyInSections), else 0
};

// mInbox: the per-source message store. Source CurrentSourceID keeps its messages in
// DataFolder/CurrentSourceID/inbox.dat, an INI file read and written through cINI with one
// section per message, named by its guid, holding in this order
//   title, description (line feeds as character 5), date, time, offset, read ("0" or "1").
// Guids and values that the line format cannot hold are stored as inbox_names.h describes; every
// other one is stored as it is. Nothing is cached between calls; changes to the file are made
// under the source folder's lock (FileLock). Operations on a source whose identifier is blank, or
// is not a plain folder name (".", "..", holding "/"), touch no file and give their empty result.
//
// Values that cannot be read are taken as follows: a read flag that is not a 16-bit number counts
// as 0 (unread), and any non-zero flag as read in the tree; a date that is not an RFC 822 date
// ("05 Dec 2026", see rfc822_date.h) sorts after every readable one in LoadInbox and is skipped by
// LoadLatestStamp, whose stamp takes an unreadable time as empty.
class mInbox {
public:
    // The action codes of InboxItemAction.
    enum : std::int32_t {
        DeleteItem = 1,
        ItemExists = 2,
        MarkRead = 3,
        MarkUnread = 4,
        LoadItem = 5,
    };

    explicit mInbox(AppContext& context) : context_(context) {}

    // The identifier of the source every operation acts on; set by the caller, never changed here.
    std::string CurrentSourceID;
    // The message that SaveItem writes and InboxItemAction finds (by Guid) or loads.
    InboxItem CurrentItem;
    // The date (weekday removed, as stored: "05 Dec 2026") and time of the newest stored message,
    // as last computed by LoadLatestStamp; empty when there is none.
    std::string LatestDate;
    std::string LatestTime;

    // DataFolder/CurrentSourceID (DataFolder set first when blank), and the inbox file in it.
    std::string SourceFolder();
    std::string InboxPath();

    // Writes CurrentItem as the section of its guid: title, description (in stored form), date,
    // time, offset and read "0", appended at the end of the file for a new guid. False, with
    // nothing written, for an empty guid; false when a write failed (the folder is not created
    // here: LoadLatestStamp does that first).
    [[nodiscard]] bool SaveItem();

    // Stores each of `items` whose guid is not stored yet, as SaveItem would and in the given
    // order, all with one append that a crash at any moment leaves whole or undone (see
    // profile_journal.h): the first of several items with one guid, and no item with an empty
    // guid. The file is read again under the folder lock first, so an item that another process
    // stored meanwhile is not stored twice. The source folder must exist (LoadLatestStamp makes
    // it).
    [[nodiscard]] SaveItemsResult SaveItems(std::span<const InboxItem> items);

    // Finds the stored message whose guid equals CurrentItem.Guid exactly (letter case counts) and
    //   DeleteItem  removes its section
    //   ItemExists  does nothing
    //   MarkRead    sets read to "1"     MarkUnread  sets read to "0"
    //   LoadItem    CurrentItem := the stored message (Guid unchanged; description with CR LF)
    // True when the message was found and the action done (written, for the changes). False, with
    // nothing changed, for any other code, a message that is not stored, or a source without
    // identifier; a missing source folder is created (and the result is false).
    [[nodiscard]] bool InboxItemAction(std::int32_t action);

    // Marks every stored message of the source read (read := "1") with one write of its inbox
    // (inbox_mark_all.cpp). A message counts as unread when its flag reads as 0 (ParseReadFlag's
    // rule), so a damaged flag is set too. A missing source folder is created; nothing to mark,
    // or a source without a usable identifier, gives marked 0 and no write.
    [[nodiscard]] MarkAllReadResult MarkAllRead();

    // Sets LatestDate and LatestTime from the stored messages (cleared first); a missing source
    // folder is created and leaves them empty.
    void LoadLatestStamp();

    // Whether CurrentItem (Date and Time) is later than the stamp LoadLatestStamp computed: true
    // with the command line "-debug" (any letter case), an empty stamp, an item without a date,
    // a later day, or the same day and a time at least a second later (or no stamp time). A date
    // or time that cannot be read gives false, after the "IsNew Function" box when interactive().
    [[nodiscard]] bool IsNew();

    // Whether IsNew shows its failure box (true until set otherwise).
    bool interactive() const { return interactive_; }
    void setInteractive(bool interactive) { interactive_ = interactive; }

    // Replaces the messages under the source's node in `tree` by the stored ones: newest day
    // first, newest time first within a day, unreadable dates last (ties keep file order); text
    // title, tag guid, image 2 and bold when unread, image 3 when read. Lets pending events run
    // once before adding them. A missing source folder is created and the tree left untouched; so
    // is a tree without the source's node.
    void LoadInbox(TreeControl& tree);

    // Removes the source's node (key CurrentSourceID; top-level, or under "main" in "tvSources")
    // with its messages and adds it again, empty, collapsed, with the same key, text and tag:
    // under "main" with images 4 in "tvSources", else top-level with images 1; then sorts the
    // top level. Gives the new node, or null (and no change) when the tree has no such node.
    TreeNode* ResetSourceNode(TreeControl& tree);

private:
    // False when CurrentSourceID cannot name a folder inside the data folder.
    bool hasUsableSource() const;
    // True when the source folder exists; otherwise creates it and gives false.
    bool ensureSourceFolder();
    bool failIsNew(const std::string& description);

    AppContext& context_;
    bool interactive_ = true;
};

}  // namespace vellorin
