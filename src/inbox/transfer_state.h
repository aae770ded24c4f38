#pragma once

#include <cstdint>
#include <string_view>

namespace vellorin {

// The states one transfer passes through, with the codes the busy window's status texts are
// keyed by. A transfer raises them in increasing order: 1 to 12 when it succeeds, ending with
// Error (11) instead when it fails.
enum class INetState : std::int16_t {
    None = 0,
    ResolvingHost = 1,       // looking the host name up
    HostResolved = 2,        // the host name has an address
    Connecting = 3,          // opening the connection (and the TLS handshake)
    Connected = 4,           // the connection is open
    Requesting = 5,          // sending the request
    RequestSent = 6,         // the request is out; waiting for the reply
    ReceivingResponse = 7,   // the reply is arriving
    ResponseReceived = 8,    // the whole reply is in
    Disconnecting = 9,       // giving the connection back
    Disconnected = 10,       // the connection is released
    Error = 11,              // the transfer failed
    ResponseCompleted = 12,  // finished, all data received
};

// The busy window's status text for a state code ("Resolving Host Route..." for 1 ...); empty
// text for 0 and for every code outside 1..12.
std::string_view INetStateText(std::int16_t iState);

}  // namespace vellorin
