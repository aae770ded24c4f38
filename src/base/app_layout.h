#pragma once

#include <string>

namespace vellorin {

// Where the program reads its shipped files and keeps settings.cfg.
struct AppFolders {
    // The application folder the program reads: view.tpl, urls.lst, the help page, the pictures.
    std::string appFolder;
    // The folder of settings.cfg.
    std::string settingsFolder;
    // True when the program runs from an installed prefix.
    bool installed = false;
};

// The name of the folder below the prefix's share/ and below the user's configuration folder.
inline constexpr const char* kInstalledFolderName = "vellorin";
inline constexpr const char* kUserSettingsFolderName = "Vellorin";

// Decides by the layout around `programFolder` (the running executable's folder):
// - files beside the program (its build folder, or an unpacked copy): both folders are
//   `programFolder`, as they always were;
// - otherwise, when `programFolder`/../share/vellorin holds the shipped files (an installed
//   prefix such as /usr or /usr/local), that folder is read and settings.cfg lives in
//   UserSettingsFolder(), since an installed program cannot write beside itself;
// - with neither, both are `programFolder`, where a missing file is then reported as usual.
// Write permission is not looked at: root may write anywhere, and an installed program must
// still keep its settings per user.
AppFolders ResolveAppFolders(const std::string& programFolder);

// $XDG_CONFIG_HOME/Vellorin (default ~/.config/Vellorin); empty when no home folder is known.
std::string UserSettingsFolder();

// Creates `folder` and its parents when missing (`folder` itself closed to other users). False
// when it does not exist afterwards.
bool EnsureSettingsFolder(const std::string& folder);

}  // namespace vellorin
