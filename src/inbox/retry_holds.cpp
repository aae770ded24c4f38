#include "inbox/retry_holds.h"

#include <algorithm>

#include "inbox/feed_validators.h"

namespace vellorin {
namespace {

std::int64_t EpochSeconds(RetryHolds::time_point t) {
    return std::chrono::ceil<std::chrono::seconds>(t.time_since_epoch()).count();
}

}  // namespace

void RetryHolds::note(const std::string& link, const std::string& validatorsPath,
                      const TransferResult& reply, time_point now) {
    if (reply.httpStatus == 0)
        return;
    const bool asksToWait = reply.httpStatus == 429 || reply.httpStatus == 503;
    if (!asksToWait || reply.retryAfter <= std::chrono::seconds::zero()) {
        until_.erase(link);
        if (!validatorsPath.empty() && LoadRetryUntil(validatorsPath) != 0)
            (void)StoreRetryUntil(validatorsPath, 0);
        return;
    }
    const auto delay = std::min<std::chrono::seconds>(reply.retryAfter, kLongestHold);
    const time_point until = now + delay;
    if (!validatorsPath.empty() && StoreRetryUntil(validatorsPath, EpochSeconds(until)).ok())
        until_.erase(link);
    else
        until_[link] = until;
}

bool RetryHolds::held(std::string_view link, const std::string& validatorsPath,
                      time_point now) const {
    const auto found = until_.find(link);
    if (found != until_.end() && now < found->second)
        return true;
    return !validatorsPath.empty() && EpochSeconds(now) < LoadRetryUntil(validatorsPath);
}

}  // namespace vellorin
