#include "cli/command.h"

namespace vellorin::cli {

int CommandEnv::usageError(const std::string& message) const {
    err << "vellorinctl: " << message << " (try 'vellorinctl --help')" << std::endl;
    return kExitUsage;
}

const std::vector<CommandInfo>& Commands() {
    static const std::vector<CommandInfo> commands = {
        {"settings", "[KEY=VALUE...]",
         "print the settings, or set and save them (freq 0-2, winstartup, ff, ie 0 or 1)",
         RunSettingsCommand},
    };
    return commands;
}

}  // namespace vellorin::cli
