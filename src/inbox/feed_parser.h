#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/user_seam.h"

namespace vellorin {

class AppContext;

// How one ProcessFeed call ended.
enum class FeedStatus {
    Merged,             // the document was an RSS channel; its new items are stored
    EmptyData,          // the text was empty or only spaces
    InvalidData,        // the text is not well-formed XML
    UnsupportedFormat,  // well-formed, but no element "channel" below an element "rss"
};

// What one ProcessFeed call did.
struct FeedMergeResult {
    FeedStatus status = FeedStatus::Merged;
    // Items stored by this call (NewCount).
    int NewCount = 0;
    // Elements named "item" below the channel, stored or not.
    int items = 0;
    // The errno of a failed write of the new items (none of them is then stored), else 0.
    int saveError = 0;
};

// The failure box of a status other than Merged (exclamation icon, OK button):
//   EmptyData          "Error!"
//   InvalidData        "Server returned Invalid Data!"
//   UnsupportedFormat  "Server returned Data in unsupported format!"
MessageBoxRequest FeedFailureMessage(FeedStatus status);

// The box of a failed write of a feed's new items (critical icon, OK button): caption
// "Error ! (Source : SaveItem)", text the error number, " : ", two line breaks and its description.
MessageBoxRequest SaveFailureMessage(int error);

// The sentence a source with new items adds to the run's announcement:
// "You have " N " New Messages " CR LF " in " title " account." CR LF CR LF (also for N = 1).
std::string NewMessagesSentence(int newCount, std::string_view sourceTitle);

// Cuts an RSS pubDate ("Mon, 05 Dec 2026 08:56:31 +0000") into date ("Mon, 05 Dec 2026"), time
// ("08:56:31", or "08:56" without seconds) and offset ("+0000", "GMT"): the date is everything
// before the blank and the two hour digits in front of the first ":", the time runs to the two
// digits after the last ":", and the offset is what is left once date and time (each with the blank
// after it) are removed, so a text without a zone gives the time as offset too. A text with no ":"
// or fewer than four characters before its first ":" cannot be cut: date and time are empty and
// the offset is the whole text.
void SplitPubDate(std::string pubDate, std::string& date, std::string& time, std::string& offset);

// The key of an item that has no guid (or an empty one): "fnv1a64:" and the 16 lower-case hex
// digits of the 64-bit FNV-1a digest of its title, pubDate and description texts as the feed gives
// them, whitespace around them included (each preceded by its length, so the three cannot run into
// each other). The same item gives the same key at every check, so it is stored once and found
// again.
std::string ItemDigestGuid(std::string_view title, std::string_view pubDate,
                           std::string_view description);

// Merges one fetched feed document (UTF-8) into the inbox of context.inbox.CurrentSourceID, which
// the caller sets first. The first element "channel" whose parent is named "rss" (at any depth) is
// the channel; each of its "item" children, in document order, is read into CurrentItem (cleared
// first) from its children "title", "description", "pubDate" and "guid" (names compared exactly,
// the later of two equal names wins; title, pubDate and guid without the blanks, tabs, CRs and
// LFs around them; the description as it is, with "[" and "]" turned into "(" and ")" and line
// feeds into character 5; the pubDate cut by SplitPubDate; a missing or empty guid replaced by
// ItemDigestGuid). An item is new when its guid is not stored yet and IsNew says
// it is later than the newest message stored before this call (LoadLatestStamp, once, before the
// first item; it also creates the source folder). The new items are stored together after the
// walk (mInbox::SaveItems), all or none: a crash or a stopped run never leaves some of them
// stored. When items were stored, NewMessagesSentence of their number and `sourceTitle` is
// appended to NotifyText.
//
// A document that is blank, not well-formed or not RSS touches no file, leaves NotifyText alone
// and gives its status; its FeedFailureMessage is shown only when `interactiveCheck`. IsNew shows
// its own failure box only when `interactiveCheck` too (the item is then skipped). When the write
// fails nothing is stored or announced, and SaveFailureMessage is shown when `interactiveCheck`.
FeedMergeResult ProcessFeed(AppContext& context, std::string_view document,
                            const std::string& sourceTitle, bool interactiveCheck,
                            std::string& NotifyText);

}  // namespace vellorin
