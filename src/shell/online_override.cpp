#include "shell/online_override.h"

#include <string_view>

namespace vellorin {

std::optional<bool> OnlineOverrideFromEnvironment(const char* value) {
    if (value == nullptr)
        return std::nullopt;
    const std::string_view text(value);
    if (text == "1")
        return true;
    if (text == "0")
        return false;
    return std::nullopt;
}

}  // namespace vellorin
