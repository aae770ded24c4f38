#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "base/app_context.h"
#include "cli/cli_seam.h"

namespace vellorin::cli {

// Exit statuses of vellorinctl.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// What a command gets: the program's context (data folder not yet ensured), its own arguments
// (global options removed), and the two output streams.
struct CommandEnv {
    AppContext& context;
    CliSeam& seam;
    std::vector<std::string> args;
    std::ostream& out;
    std::ostream& err;

    // Prints "vellorinctl: <message> (try 'vellorinctl --help')" and gives kExitUsage.
    int usageError(const std::string& message) const;
};

using CommandFunction = int (*)(CommandEnv&);

struct CommandInfo {
    const char* name;
    const char* synopsis;  // the arguments, for --help
    const char* summary;   // one line, for --help
    CommandFunction run;
};

// Every command, in the order --help lists them.
const std::vector<CommandInfo>& Commands();

// The commands (one file each).
int RunSettingsCommand(CommandEnv& env);
int RunSourcesCommand(CommandEnv& env);
int RunSubscribeCommand(CommandEnv& env);
int RunRenameCommand(CommandEnv& env);
int RunUnsubscribeCommand(CommandEnv& env);
int RunMessagesCommand(CommandEnv& env);
int RunReadCommand(CommandEnv& env);
int RunUnreadCommand(CommandEnv& env);
int RunDeleteCommand(CommandEnv& env);
int RunShowCommand(CommandEnv& env);
int RunExportCommand(CommandEnv& env);
int RunCheckCommand(CommandEnv& env);

}  // namespace vellorin::cli
