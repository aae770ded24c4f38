#pragma once

#include <string>

#include "base/user_seam.h"

namespace vellorin {

// Start at login, as an XDG autostart entry.

// $XDG_CONFIG_HOME/autostart (default ~/.config/autostart); empty when no home is known.
std::string AutostartFolder();

// The folder of the running executable (/proc/self/exe, links resolved), where the program's
// executables are installed side by side; empty when it cannot be read.
std::string RunningProgramFolder();

// The command line of the entry's Exec key: the quoted executable path (folder with a trailing
// "/" + executable name, ".exe" is never appended here), then, when the arguments are not blank,
// one space and the arguments as given. The path is quoted by the Desktop Entry rules (`"`,
// `` ` ``, `$` and `\` escaped inside the quotes, and "%" doubled). The file then holds it with
// the string-value escapes on top (every backslash doubled again, line breaks and tabs escaped).
std::string StartupCommand(const std::string& folder, const std::string& executableName,
                           const std::string& arguments);

// Registers (bRegister true) or removes the entry AutostartFolder()/`entryName`.desktop. Writing
// creates the autostart folder when needed and replaces the file atomically. Failures to write or
// remove are silent, as is removing an entry that is not there, and an entry name that is empty
// or holds "/" does nothing; an unexpected error is shown with its description, a critical icon
// and the caption "Source: SetStartupOption Function".
void SetStartupOption(UserSeam& seam, const std::string& entryName,
                      const std::string& executableName, const std::string& folder,
                      const std::string& arguments, bool bRegister);

}  // namespace vellorin
