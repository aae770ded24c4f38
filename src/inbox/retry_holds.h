#pragma once

#include <chrono>
#include <map>
#include <string>
#include <string_view>

#include "inbox/transfer_result.h"

namespace vellorin {

// The feeds whose servers asked not to be fetched again before some moment: a 429 (too many
// requests) or 503 (unavailable) reply with a Retry-After header. Scheduled check runs leave such
// a feed alone until then; the user's own checks fetch it anyway.
//
// A hold is kept with the source's validators (its validators.dat, see StoreRetryUntil), so that
// every process on the data folder honours it: the next start of the client, a scheduled
// vellorinctl check. Where that file cannot be written the hold is kept in memory, by link, for
// this process. Single-threaded.
class RetryHolds {
public:
    using time_point = std::chrono::system_clock::time_point;

    // The longest hold taken from a reply: a server's "come back in a year" is not believed
    // beyond one day.
    static constexpr std::chrono::hours kLongestHold{24};

    // Notes what the reply to a fetch of `link` that arrived at `now` asks: a 429 or 503 reply
    // with a positive Retry-After holds the link until `now` plus that delay (at most
    // kLongestHold); any other reply from the server ends a hold. A fetch that got no reply
    // changes nothing. `validatorsPath` is the source's validator file (FeedValidatorsPath;
    // empty when it has none).
    void note(const std::string& link, const std::string& validatorsPath,
              const TransferResult& reply, time_point now);

    // True while `link` is held at `now`, by this process or as stored at `validatorsPath`.
    bool held(std::string_view link, const std::string& validatorsPath, time_point now) const;

private:
    std::map<std::string, time_point, std::less<>> until_;
};

}  // namespace vellorin
