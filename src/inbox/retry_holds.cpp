#include "inbox/retry_holds.h"

#include <algorithm>

namespace vellorin {

void RetryHolds::note(const std::string& link, const TransferResult& reply, time_point now) {
    if (reply.httpStatus == 0)
        return;
    const bool asksToWait = reply.httpStatus == 429 || reply.httpStatus == 503;
    if (!asksToWait || reply.retryAfter <= std::chrono::seconds::zero()) {
        until_.erase(link);
        return;
    }
    const auto delay = std::min<std::chrono::seconds>(reply.retryAfter, kLongestHold);
    until_[link] = now + delay;
}

bool RetryHolds::held(std::string_view link, time_point now) const {
    const auto found = until_.find(link);
    return found != until_.end() && now < found->second;
}

}  // namespace vellorin
