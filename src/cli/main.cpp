// vellorinctl: the command-line client over the core, for scripts, headless use and tests.

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "base/app_context.h"
#include "base/app_layout.h"
#include "base/application_build.h"
#include "base/constants.h"
#include "cli/cli_seam.h"
#include "cli/command.h"
#include "config/startup_option.h"

namespace vellorin::cli {
namespace {

struct GlobalOptions {
    std::string appDir;
    std::string dataDir;
    bool assumeYes = false;
    bool debug = false;
    bool help = false;
    bool version = false;
    std::optional<std::string> command;
    std::vector<std::string> args;
};

// The folder of the running executable: the application folder by default.
std::string ExecutableFolder() {
    std::string folder = RunningProgramFolder();
    return folder.empty() ? "." : folder;
}

void PrintHelp(std::ostream& out) {
    out << "Usage: vellorinctl [OPTIONS] COMMAND [ARGS...]\n\n"
           "Options (anywhere before \"--\"):\n"
           "  --app-dir DIR    use DIR as the application folder (settings.cfg, urls.lst, ...)\n"
           "  --data-dir DIR   use DIR as the data folder (subscriptions.dat, inboxes)\n"
           "  --yes            answer Yes to every question (otherwise No)\n"
           "  -debug           start as the desktop client does with \"-debug\"\n"
           "  --version        print the version and build\n"
           "  --help           print this help\n\n"
           "Commands:\n";
    for (const auto& c : Commands()) {
        std::string head = std::string("  ") + c.name + " " + c.synopsis;
        if (head.size() < 34)
            head.resize(34, ' ');
        else
            head += "\n" + std::string(34, ' ');
        out << head << c.summary << "\n";
    }
    out << "\nExit status: 0 success, 1 failure, 2 usage error.\n";
}

// Fills `options`; on a usage error gives the message.
std::optional<std::string> ParseArguments(int argc, char** argv, GlobalOptions& options) {
    bool endOfOptions = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (!endOfOptions) {
            auto takeValue = [&](const std::string& name, std::string& into) -> bool {
                if (arg == name) {
                    if (i + 1 >= argc)
                        return false;
                    into = argv[++i];
                    return true;
                }
                into = arg.substr(name.size() + 1);
                return true;
            };
            if (arg == "--") {
                endOfOptions = true;
                continue;
            }
            if (arg == "--app-dir" || arg.rfind("--app-dir=", 0) == 0) {
                if (!takeValue("--app-dir", options.appDir) || options.appDir.empty()) {
                    return "--app-dir needs a folder";
                }
                continue;
            }
            if (arg == "--data-dir" || arg.rfind("--data-dir=", 0) == 0) {
                if (!takeValue("--data-dir", options.dataDir) || options.dataDir.empty()) {
                    return "--data-dir needs a folder";
                }
                continue;
            }
            if (arg == "--yes" || arg == "-y") {
                options.assumeYes = true;
                continue;
            }
            if (arg == kDebugSwitch) {
                options.debug = true;
                continue;
            }
            if (arg == "--help" || arg == "-h") {
                options.help = true;
                continue;
            }
            if (arg == "--version") {
                options.version = true;
                continue;
            }
            if (!options.command && arg.size() > 1 && arg[0] == '-') {
                return "unknown option '" + arg + "'";
            }
        }
        if (!options.command) {
            options.command = arg;
        } else {
            options.args.push_back(arg);
        }
    }
    return std::nullopt;
}

int Run(int argc, char** argv) {
    GlobalOptions options;
    if (auto problem = ParseArguments(argc, argv, options)) {
        std::cerr << "vellorinctl: " << *problem << " (try 'vellorinctl --help')" << std::endl;
        return kExitUsage;
    }
    if (options.help) {
        PrintHelp(std::cout);
        return kExitOk;
    }
    if (options.version) {
        std::cout << ApplicationBuild(true, true) << std::endl;
        return kExitOk;
    }
    if (!options.command) {
        std::cerr << "vellorinctl: no command given (try 'vellorinctl --help')" << std::endl;
        return kExitUsage;
    }
    const CommandInfo* command = nullptr;
    for (const auto& c : Commands()) {
        if (*options.command == c.name)
            command = &c;
    }
    if (!command) {
        std::cerr << "vellorinctl: unknown command '" << *options.command
                  << "' (try 'vellorinctl --help')" << std::endl;
        return kExitUsage;
    }

    CliSeam seam(std::cerr, options.assumeYes);
    SystemClock clock;
    AppOptions appOptions;
    if (options.appDir.empty()) {
        const AppFolders folders = ResolveAppFolders(ExecutableFolder());
        appOptions.appFolder = folders.appFolder;
        appOptions.settingsFolder = folders.settingsFolder;
        if (folders.installed)
            (void)EnsureSettingsFolder(folders.settingsFolder);
    } else {
        appOptions.appFolder = options.appDir;
    }
    appOptions.dataFolderOverride = options.dataDir;
    appOptions.commandLine = options.debug ? kDebugSwitch : "";
    AppContext context(appOptions, seam, clock);
    CommandEnv env{context, seam, options.args, std::cout, std::cerr};
    return command->run(env);
}

}  // namespace
}  // namespace vellorin::cli

int main(int argc, char** argv) {
    try {
        return vellorin::cli::Run(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "vellorinctl: " << e.what() << std::endl;
        return vellorin::cli::kExitFailed;
    }
}
