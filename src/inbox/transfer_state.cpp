#include "inbox/transfer_state.h"

#include <array>

namespace vellorin {

std::string_view INetStateText(std::int16_t iState) {
    static constexpr std::array<std::string_view, 13> kTexts = {
        "",
        "Resolving Host Route...",
        "Done! Connecting Gateway...",
        "Done! Authentication in progress...",
        "Done! Opening Session...",
        "Done! Sending Status Request...",
        "Request Sent! Waiting for Server reply...",
        "Info Chunk received! Buffering...",
        "Acknowledgement sent...",
        "Done! Releasing Session...",
        "Done! Parsing Data ...",
        "Error in reading Server Response!",
        "Server Communication complete.",
    };
    if (iState < 0 || static_cast<std::size_t>(iState) >= kTexts.size())
        return {};
    return kTexts[static_cast<std::size_t>(iState)];
}

}  // namespace vellorin
