#pragma once

#include <chrono>
#include <map>
#include <string>
#include <string_view>

#include "inbox/transfer_result.h"

namespace vellorin {

// The feeds whose servers asked not to be fetched again before some moment: a 429 (too many
// requests) or 503 (unavailable) reply with a Retry-After header. Scheduled check runs leave such
// a feed alone until then; the user's own checks fetch it anyway. Kept in memory only, by link:
// a restarted program asks again, and at worst gets the same answer. Single-threaded.
class RetryHolds {
public:
    using time_point = std::chrono::system_clock::time_point;

    // The longest hold taken from a reply: a server's "come back in a year" is not believed
    // beyond one day.
    static constexpr std::chrono::hours kLongestHold{24};

    // Notes what the reply to a fetch of `link` that arrived at `now` asks: a 429 or 503 reply
    // with a positive Retry-After holds the link until `now` plus that delay (at most
    // kLongestHold); any other reply from the server ends a hold. A fetch that got no reply
    // changes nothing.
    void note(const std::string& link, const TransferResult& reply, time_point now);

    // True while `link` is held at `now`.
    bool held(std::string_view link, time_point now) const;

private:
    std::map<std::string, time_point, std::less<>> until_;
};

}  // namespace vellorin
