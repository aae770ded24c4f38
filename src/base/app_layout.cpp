#include "base/app_layout.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "base/helpers.h"

namespace vellorin {
namespace {

// A file every layout ships; its presence marks a folder of shipped files.
constexpr const char* kMarkerFile = "view.tpl";

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

AppFolders ResolveAppFolders(const std::string& programFolder) {
    AppFolders beside{programFolder, programFolder, false};
    if (programFolder.empty() || IsRegularFile(AddBackslash(programFolder) + kMarkerFile))
        return beside;
    std::error_code error;
    const std::filesystem::path shared = std::filesystem::weakly_canonical(
        std::filesystem::path(programFolder) / ".." / "share" / kInstalledFolderName, error);
    if (error || !IsRegularFile((shared / kMarkerFile).string()))
        return beside;
    const std::string settings = UserSettingsFolder();
    if (settings.empty())
        return beside;
    return {shared.string(), settings, true};
}

std::string UserSettingsFolder() {
    const std::string base = GetUserConfigFolder();
    return base.empty() ? std::string() : AddBackslash(base) + kUserSettingsFolderName;
}

bool EnsureSettingsFolder(const std::string& folder) {
    if (folder.empty())
        return false;
    std::error_code error;
    if (std::filesystem::is_directory(folder, error))
        return true;
    // The settings are the user's own: the folder made for them is closed to others.
    if (std::filesystem::create_directories(folder, error))
        (void)::chmod(folder.c_str(), 0700);
    return std::filesystem::is_directory(folder, error);
}

}  // namespace vellorin
