#pragma once

#include <string>
#include <string_view>

#include "base/user_seam.h"

namespace vellorin {

// The small general helpers every subsystem uses. Those that can fail report through the user
// seam with the box of the procedure that owns it and then return their neutral value.

// True when `path` names an existing entry that is not a folder (hidden and read-only files
// count). An unusable path (embedded NUL, name too long) is reported with
// "Error ! (Source : FileExists)" and gives false.
bool FileExists(UserSeam& seam, std::string_view path);

// True when anything of that name exists: a folder, or a file of that name.
bool FolderExists(std::string_view path);

// The user's application-data folder: $XDG_DATA_HOME when it is an absolute path, otherwise
// ~/.local/share; empty when no home folder can be found.
std::string GetAppDataFolder();

// The user's configuration folder: $XDG_CONFIG_HOME when it is an absolute path, otherwise
// ~/.config; empty when no home folder can be found.
std::string GetUserConfigFolder();

// `path` with one trailing "/" added when it has none. Empty text stays empty, so that a path
// built on an unknown base never points at the root folder.
std::string AddBackslash(std::string_view path);

// True when the text is empty once leading and trailing spaces are removed (only spaces count).
bool IsBlank(std::string_view text);

// The text with leading and trailing spaces removed (only spaces).
std::string TrimSpaces(std::string_view text);

// Creates or replaces the file with `content` followed by CR LF. The old file is replaced only
// once the new one is complete on disk. A failure is reported with the "Error !" box and gives
// false.
bool WriteTextFile(UserSeam& seam, const std::string& path, std::string_view content);

// The whole file as text; a failure is reported with the "Error !" box and gives empty text.
std::string ReadTextFile(UserSeam& seam, const std::string& path);

// Asks the desktop to open a file, web address or "mailto:" address with its default handler
// (xdg-open, detached). The outcome is not reported.
void ShellOpen(std::string_view target);

// Suspends the calling thread.
void Pause(int milliseconds);

// Lower-cases ASCII letters; other bytes are left alone.
std::string ToLowerAscii(std::string_view text);
std::string ToUpperAscii(std::string_view text);
// ASCII case-insensitive comparison and search.
bool EqualsNoCase(std::string_view a, std::string_view b);
bool ContainsNoCase(std::string_view haystack, std::string_view needle);

}  // namespace vellorin
