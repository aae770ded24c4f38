#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "util/atomic_file.h"

namespace vellorin {

// What a server said identifies the version of a feed it sent: the values of its ETag and
// Last-Modified headers, as the server wrote them. Sent back with the next request of that feed
// (If-None-Match, If-Modified-Since), so that an unchanged feed costs a short "304 Not Modified"
// reply instead of the whole document. Either may be empty (the server sent none).
//
// Kept with them: the moment (seconds since the epoch, 0 for none) before which the server asked
// not to be asked again (a 429 or 503 reply with Retry-After; see RetryHolds). It is not sent.
struct FeedValidators {
    std::string ETag;
    std::string LastModified;
    std::int64_t RetryUntil = 0;

    bool empty() const { return ETag.empty() && LastModified.empty() && RetryUntil == 0; }
    bool operator==(const FeedValidators&) const = default;
};

// The longest value kept or sent; a longer one is treated as absent.
inline constexpr std::size_t kMaxValidatorBytes = 1024;

// True when `value` can be sent back in a request header: not empty, at most kMaxValidatorBytes,
// and no control character (tab allowed).
bool IsUsableValidator(std::string_view value);

// The same validators with every value that IsUsableValidator refuses made empty.
FeedValidators UsableValidators(FeedValidators validators);

// The validator file of a source: DataFolder/<source id>/validators.dat, beside its inbox.dat.
// Empty when `sourceId` cannot name a folder inside the data folder (blank, ".", "..", or holding
// "/" or NUL).
std::string FeedValidatorsPath(const std::string& dataFolder, std::string_view sourceId);

// The file's text: one line "ETag: value", one line "Last-Modified: value" and one line
// "Retry-Until: seconds", each ended by CR LF, a line only for a value that is not empty (not
// 0); empty validators give an empty text.
std::string FormatFeedValidators(const FeedValidators& validators);

// The validators a text written by FormatFeedValidators holds; nullopt for any other text (a
// line that is cut off, a name it does not write, a name twice, an unusable value), so that a
// damaged file is never half believed.
std::optional<FeedValidators> ParseFeedValidators(std::string_view text);

// Stored validators say that everything the server sent with them is in the inbox.dat beside
// them: a 304 reply to them skips the feed.

// The validators stored at `path`; empty ones when the file is missing, unreadable or damaged,
// or when the inbox.dat beside it is missing (a source whose inbox was removed is fetched whole
// again), so that the next fetch of the feed is a full one. Changes nothing.
FeedValidators LoadFeedValidators(const std::string& path);

// Makes `validators` the stored ones at `path`, under the lock of the folder that holds it:
// empty validators remove the file; otherwise the file is replaced whole (WriteFileAtomic, not
// flushed: a damaged file only means a full fetch), and nothing is written when it already holds
// them. Values that IsUsableValidator refuses count as empty. The caller stores them only after the
// items they speak for were stored and flushed, so a crash can lose the validators (the next fetch
// is then a full one) but never keep them without those items.
//
// Fails (the stored file as it was, or removed) when the file cannot be written or removed.
[[nodiscard]] IoStatus StoreFeedValidators(const std::string& path,
                                           const FeedValidators& validators);

// The stored RetryUntil at `path`, whether or not an inbox is beside it (a source whose first
// fetch was refused has none); 0 when the file is missing or damaged.
std::int64_t LoadRetryUntil(const std::string& path);

// Makes `until` (0: none) the stored RetryUntil at `path`, keeping the validators stored there,
// under the lock of the folder that holds it; nothing is written when the file already says so.
// Fails when the file cannot be written or removed (the folder is gone, say).
[[nodiscard]] IoStatus StoreRetryUntil(const std::string& path, std::int64_t until);

}  // namespace vellorin
