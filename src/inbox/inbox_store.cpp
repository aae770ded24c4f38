#include "inbox/inbox_store.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/app_context.h"
#include "base/command_line.h"
#include "base/constants.h"
#include "base/helpers.h"
#include "inbox/inbox_names.h"
#include "inbox/inbox_snapshot.h"
#include "inbox/rfc822_date.h"
#include "store/ini_file.h"
#include "store/profile_file.h"
#include "store/profile_journal.h"
#include "subscriptions/subscriptions.h"
#include "util/file_lock.h"
#include "view/tree_control.h"

namespace vellorin {
namespace {

constexpr const char* kManagerTreeName = "tvSources";
constexpr const char* kManagerRootKey = "main";

constexpr const char* kTitleKey = "title";
constexpr const char* kDescriptionKey = "description";
constexpr const char* kDateKey = "date";
constexpr const char* kTimeKey = "time";
constexpr const char* kOffsetKey = "offset";
constexpr const char* kReadKey = "read";

// A stored read flag: a 16-bit number, anything else 0 (unread).
std::int16_t ParseReadFlag(std::string_view text) {
    long value = cINI::CLngDefault(std::string(text), 0);
    if (value < INT16_MIN || value > INT16_MAX)
        return 0;
    return static_cast<std::int16_t>(value);
}

// How the file at `path` spells a section name, for the guid lookups of inbox_names.h.
StoredSectionLookup StoredNamesIn(const std::string& path) {
    return [path](std::string_view section) {
        cINI ini;
        ini.Path(path);
        ini.Section(std::string(section));
        return ini.StoredSection();
    };
}

// The day of a stored or feed date, weekday and comma dropped.
std::optional<long> DayOf(std::string_view date) {
    return DaysSince2000(DateAfterWeekday(date));
}

}  // namespace

std::string mInbox::SourceFolder() {
    mSubscriptions& subscriptions = context_.subscriptions;
    if (IsBlank(subscriptions.DataFolder))
        subscriptions.EnsureDataFolder();
    return AddBackslash(subscriptions.DataFolder) + CurrentSourceID;
}

std::string mInbox::InboxPath() {
    return SourceFolder() + "/" + kInboxFileName;
}

bool mInbox::hasUsableSource() const {
    const std::string& id = CurrentSourceID;
    return !IsBlank(id) && id != "." && id != ".." &&
           id.find_first_of(std::string_view("/\0", 2)) == std::string::npos;
}

bool mInbox::ensureSourceFolder() {
    const std::string folder = SourceFolder();
    if (FolderExists(folder))
        return true;
    ::mkdir(folder.c_str(), 0700);
    return false;
}

bool mInbox::SaveItem() {
    if (CurrentItem.Guid.empty() || !hasUsableSource())
        return false;
    const std::string path = InboxPath();
    // The section name depends on what is stored: hold the lock from the look to the last write.
    FileLock lock(path);
    cINI ini;
    ini.Path(path);
    ini.Section(SectionNameForGuid(CurrentItem.Guid, StoredNamesIn(path)));
    const std::string title = EncodeInboxValue(CurrentItem.Title);
    const std::string description = EncodeDescription(CurrentItem.Description);
    const std::string date = EncodeInboxValue(CurrentItem.Date);
    const std::string time = EncodeInboxValue(CurrentItem.Time);
    const std::string offset = EncodeInboxValue(CurrentItem.Offset);
    const std::pair<std::string_view, std::string_view> keys[] = {
        {kTitleKey, title}, {kDescriptionKey, description}, {kDateKey, date},
        {kTimeKey, time},   {kOffsetKey, offset},           {kReadKey, "0"}};
    ini.Values(keys);
    return ini.Success();
}

SaveItemsResult mInbox::SaveItems(std::span<const InboxItem> items) {
    SaveItemsResult result;
    if (!hasUsableSource()) {
        result.error = EINVAL;
        return result;
    }
    const std::string path = InboxPath();
    // From the look at what is stored to the append, so that nothing is stored twice.
    FileLock lock(path);

    struct Pending {
        std::string name;
        std::array<std::string, 5> values;  // title, description, date, time, offset
    };
    std::vector<Pending> pending;
    {
        const InboxSnapshot stored(path);
        // Names chosen for this batch, by their lower-case form: the INI layer matches names
        // without regard to letter case, so a new name must differ from these as from the file's.
        std::unordered_map<std::string, std::string> batchNames;
        std::unordered_set<std::string_view> batchGuids;
        const StoredSectionLookup lookup =
            [&](std::string_view section) -> std::optional<std::string> {
            if (const std::optional<std::string_view> name = stored.storedName(section))
                return std::string(*name);
            const auto it = batchNames.find(ToLowerAscii(section));
            if (it != batchNames.end())
                return it->second;
            return std::nullopt;
        };
        for (const InboxItem& item : items) {
            if (item.Guid.empty() || !batchGuids.insert(item.Guid).second ||
                FindSectionForGuid(item.Guid, lookup)) {
                continue;
            }
            Pending next;
            next.name = SectionNameForGuid(item.Guid, lookup);
            next.values = {EncodeInboxValue(item.Title), EncodeDescription(item.Description),
                           EncodeInboxValue(item.Date), EncodeInboxValue(item.Time),
                           EncodeInboxValue(item.Offset)};
            batchNames.emplace(ToLowerAscii(next.name), next.name);
            pending.push_back(std::move(next));
        }
    }
    if (pending.empty())
        return result;

    using Keys = std::array<std::pair<std::string_view, std::string_view>, 6>;
    std::vector<Keys> keys;
    std::vector<profile::NewSection> sections;
    keys.reserve(pending.size());
    sections.reserve(pending.size());
    for (const Pending& p : pending) {
        keys.push_back(Keys{{{kTitleKey, p.values[0]},
                             {kDescriptionKey, p.values[1]},
                             {kDateKey, p.values[2]},
                             {kTimeKey, p.values[3]},
                             {kOffsetKey, p.values[4]},
                             {kReadKey, "0"}}});
        sections.push_back(profile::NewSection{p.name, keys.back()});
    }
    result.error = profile::AppendSections(sections, path);
    if (result.error == 0)
        result.stored = static_cast<int>(pending.size());
    return result;
}

bool mInbox::InboxItemAction(std::int32_t action) {
    if (!hasUsableSource())
        return false;
    if (!ensureSourceFolder())
        return false;
    const std::string path = InboxPath();
    FileLock lock(path);
    if (!profile::RecoverInterruptedAppend(path))
        return false;
    cINI ini;
    ini.Path(path);
    // The INI layer would match "abc" to a section "ABC": find the exact stored name first.
    const std::optional<std::string> found =
        FindSectionForGuid(CurrentItem.Guid, StoredNamesIn(path));
    if (!found)
        return false;
    if (action < DeleteItem || action > LoadItem)
        return false;
    ini.Section(*found);
    switch (action) {
        case DeleteItem:
            ini.DeleteSection();
            return ini.Success();
        case ItemExists:
            return true;
        case MarkRead:
        case MarkUnread:
            ini.Key(kReadKey);
            ini.Value(action == MarkRead ? "1" : "0");
            return ini.Success();
        case LoadItem:
            ini.Key(kTitleKey);
            CurrentItem.Title = DecodeInboxValue(ini.Value());
            ini.Key(kDescriptionKey);
            CurrentItem.Description = DecodeDescription(ini.Value());
            ini.Key(kDateKey);
            CurrentItem.Date = DecodeInboxValue(ini.Value());
            ini.Key(kTimeKey);
            CurrentItem.Time = DecodeInboxValue(ini.Value());
            ini.Key(kOffsetKey);
            CurrentItem.Offset = DecodeInboxValue(ini.Value());
            ini.Key(kReadKey);
            CurrentItem.Read = ParseReadFlag(ini.Value());
            return true;
    }
    return false;
}

void mInbox::LoadLatestStamp() {
    LatestDate.clear();
    LatestTime.clear();
    if (!hasUsableSource() || !ensureSourceFolder())
        return;
    InboxSnapshot inbox(InboxPath());
    std::optional<long> latestDay;
    std::optional<long> latestSeconds;
    for (std::string_view section : inbox.sections()) {
        const std::string date = DecodeInboxValue(inbox.value(section, kDateKey));
        const std::string_view d = DateAfterWeekday(date);
        const std::optional<long> day = DaysSince2000(d);
        if (!day)
            continue;
        const std::string time = DecodeInboxValue(inbox.value(section, kTimeKey));
        const std::optional<long> seconds = SecondsOfDay(time);
        if (!latestDay || *day > *latestDay) {
            LatestDate = std::string(d);
            latestDay = day;
            LatestTime = seconds ? time : std::string();
            latestSeconds = seconds;
        } else if (*day == *latestDay && seconds && (!latestSeconds || *seconds > *latestSeconds)) {
            LatestTime = time;
            latestSeconds = seconds;
        }
    }
}

bool mInbox::failIsNew(const std::string& description) {
    if (interactive_) {
        context_.seam().messageBox("IsNew Function", "Error on Line 0\r\n\r\n" + description,
                                   MsgIcon::Critical, MsgButtons::OK);
    }
    return false;
}

bool mInbox::IsNew() {
    if (IsDebugInbox(context_.commandLine()))
        return true;
    if (IsBlank(LatestDate))
        return true;
    const std::string_view d = DateAfterWeekday(CurrentItem.Date);
    if (IsBlank(d))
        return true;
    const std::optional<long> latestDay = DaysSince2000(LatestDate);
    if (!latestDay)
        return failIsNew("The date \"" + LatestDate + "\" cannot be read.");
    const std::optional<long> day = DaysSince2000(d);
    if (!day)
        return failIsNew("The date \"" + CurrentItem.Date + "\" cannot be read.");
    if (*day != *latestDay)
        return *day > *latestDay;
    if (IsBlank(LatestTime))
        return true;
    const std::optional<long> latestSeconds = SecondsOfDay(LatestTime);
    if (!latestSeconds)
        return failIsNew("The time \"" + LatestTime + "\" cannot be read.");
    const std::optional<long> seconds = SecondsOfDay(CurrentItem.Time);
    if (!seconds)
        return failIsNew("The time \"" + CurrentItem.Time + "\" cannot be read.");
    return *seconds > *latestSeconds;
}

void mInbox::LoadInbox(TreeControl& tree) {
    if (!hasUsableSource() || !ensureSourceFolder())
        return;
    if (!ResetSourceNode(tree))
        return;
    const std::string id = CurrentSourceID;

    struct Row {
        long day;      // readable dates only
        long seconds;  // -1 when the time cannot be read
        bool dated;
        std::int16_t read;
        std::string title;
        std::string guid;
    };
    std::vector<Row> rows;
    {
        InboxSnapshot inbox(InboxPath());
        rows.reserve(inbox.sections().size());
        for (std::string_view section : inbox.sections()) {
            const std::optional<long> day = DayOf(DecodeInboxValue(inbox.value(section, kDateKey)));
            const std::optional<long> seconds =
                SecondsOfDay(DecodeInboxValue(inbox.value(section, kTimeKey)));
            rows.push_back(Row{day.value_or(0), seconds.value_or(-1), day.has_value(),
                               ParseReadFlag(inbox.value(section, kReadKey)),
                               DecodeInboxValue(inbox.value(section, kTitleKey)),
                               GuidFromSectionName(section)});
        }
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        if (a.dated != b.dated)
            return a.dated;
        if (a.day != b.day)
            return a.day > b.day;
        return a.seconds > b.seconds;
    });

    context_.seam().processEvents();

    // The events may have changed the tree: look the node up again.
    TreeNode* source = tree.findNode(id);
    if (!source)
        return;
    for (Row& row : rows) {
        const int image = row.read != 0 ? kImageRead : kImageUnread;
        TreeNode* node = tree.addChild(*source, std::string(), std::move(row.title), image);
        if (!node)
            break;
        node->setTag(std::move(row.guid));
        node->setBold(image == kImageUnread);
    }
}

TreeNode* mInbox::ResetSourceNode(TreeControl& tree) {
    const bool manager = tree.name() == kManagerTreeName;
    TreeNode* node = tree.findNode(CurrentSourceID);
    if (!node)
        return nullptr;
    TreeNode* parent = node->parent();
    if (manager ? !(parent && parent->key() == kManagerRootKey) : parent != nullptr)
        return nullptr;
    std::string key = node->key();
    std::string text = node->text();
    std::string tag = node->tag();

    tree.setSorted(false);
    tree.remove(node);
    TreeNode* again =
        manager ? tree.addChild(kManagerRootKey, std::move(key), std::move(text),
                                kImageManagerSource, kImageManagerSource)
                : tree.addRoot(std::move(key), std::move(text), kImageSource, kImageSource);
    if (again)
        again->setTag(std::move(tag));
    tree.setSorted(true);
    return again;
}

}  // namespace vellorin
