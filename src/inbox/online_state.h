#pragma once

#include <optional>
#include <string_view>

#include "base/user_seam.h"

namespace vellorin {

// Answers whether this machine can reach anything beyond itself, for the check runs and the
// scheduler. One object per program (the application context's); single-threaded.
class OnlineState {
public:
    // When set, IsOnline answers this instead of asking the system (tests, vellorinctl).
    void setOverride(std::optional<bool> online) { override_ = online; }
    std::optional<bool> getOverride() const { return override_; }

    // The override when one is set; otherwise SystemHasRouteOff(). Never fails: anything the
    // system cannot tell counts as offline.
    bool IsOnline() const;

private:
    std::optional<bool> override_;
};

// True when the system has a default route (IPv4 or IPv6) through an interface other than the
// loopback one. Reads /proc/net/route and /proc/net/ipv6_route; where neither can be read, any
// interface that is up and running, is not a loopback and has an address counts.
bool SystemHasRouteOff();

// True when the text of /proc/net/route lists a default route (destination and mask 0) that is
// up, on an interface other than "lo".
bool HasDefaultRouteV4(std::string_view procNetRoute);
// True when the text of /proc/net/ipv6_route lists a default route (::/0) that is up and not a
// reject route, on an interface other than "lo".
bool HasDefaultRouteV6(std::string_view procNetIpv6Route);

// The box a check shows in an interactive run when IsOnline is false: caption
// "Working Offline?", exclamation icon, OK button.
MessageBoxRequest WorkingOfflineMessage();

}  // namespace vellorin
