#pragma once

#include <optional>

namespace vellorin {

// The environment variable through which the desktop client takes an online override, as
// vellorinctl takes --online/--offline: tests, and the demo on a machine without a network, can
// then check. "1" means online, "0" offline.
inline constexpr const char* kOnlineEnvironmentVariable = "VELLORIN_ONLINE";

// The override that the variable's value asks for; nullopt (ask the system) when it is unset
// (null) or holds anything but "1" or "0".
std::optional<bool> OnlineOverrideFromEnvironment(const char* value);

}  // namespace vellorin
