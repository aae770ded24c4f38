#include "base/helpers.h"

#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "util/atomic_file.h"

extern char** environ;

namespace vellorin {
namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// A path that the system could never look up: reported as the procedure's run-time error.
int UnusablePathError(std::string_view path) {
    if (path.find('\0') != std::string_view::npos)
        return EINVAL;
    if (path.size() >= PATH_MAX)
        return ENAMETOOLONG;
    return 0;
}

}  // namespace

bool FileExists(UserSeam& seam, std::string_view path) {
    if (path.empty())
        return false;
    if (int err = UnusablePathError(path); err != 0) {
        ShowSourceError(seam, "FileExists", err, std::strerror(err));
        return false;
    }
    struct stat st {};
    std::string p(path);
    if (::stat(p.c_str(), &st) != 0) {
        if (errno == ENAMETOOLONG) {
            ShowSourceError(seam, "FileExists", errno, std::strerror(errno));
        }
        return false;
    }
    return !S_ISDIR(st.st_mode);
}

bool FolderExists(std::string_view path) {
    if (path.empty() || UnusablePathError(path) != 0)
        return false;
    struct stat st {};
    std::string p(path);
    return ::stat(p.c_str(), &st) == 0;
}

namespace {

// $`variable` when it is an absolute path, else the home folder's `fallback`; empty when neither
// is known.
std::string XdgFolder(const char* variable, std::string_view fallback) {
    if (const char* xdg = std::getenv(variable); xdg && xdg[0] == '/') {
        return xdg;
    }
    std::string home;
    if (const char* h = std::getenv("HOME"); h && h[0] == '/') {
        home = h;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    }
    if (home.empty())
        return {};
    return AddBackslash(home) + std::string(fallback);
}

}  // namespace

std::string GetAppDataFolder() {
    return XdgFolder("XDG_DATA_HOME", ".local/share");
}

std::string GetUserConfigFolder() {
    return XdgFolder("XDG_CONFIG_HOME", ".config");
}

std::string AddBackslash(std::string_view path) {
    std::string out(path);
    if (!out.empty() && out.back() != '/')
        out += '/';
    return out;
}

bool IsBlank(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

std::string TrimSpaces(std::string_view text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

bool WriteTextFile(UserSeam& seam, const std::string& path, std::string_view content) {
    std::string data;
    data.reserve(content.size() + 2);
    data.append(content);
    data.append("\r\n");
    IoStatus status = WriteFileAtomic(path, data);
    if (!status.ok()) {
        ShowFileError(seam, status.error, status.message() + " (" + path + ")");
        return false;
    }
    return true;
}

std::string ReadTextFile(UserSeam& seam, const std::string& path) {
    IoStatus status;
    std::optional<std::string> text = ReadWholeFile(path, &status);
    if (!text) {
        ShowFileError(seam, status.error, status.message() + " (" + path + ")");
        return {};
    }
    return std::move(*text);
}

void ShellOpen(std::string_view target) {
    if (target.empty())
        return;
    std::string arg(target);
    // The shell only backgrounds xdg-open so that a handler that stays in the foreground never
    // holds us up; the target travels as a positional parameter and is never parsed by the shell.
    char sh[] = "/bin/sh";
    char dashC[] = "-c";
    char script[] = "xdg-open \"$1\" </dev/null >/dev/null 2>&1 &";
    char name[] = "sh";
    char* argv[] = {sh, dashC, script, name, arg.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    pid_t pid = 0;
    if (posix_spawn(&pid, sh, &actions, nullptr, argv, environ) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
}

void Pause(int milliseconds) {
    if (milliseconds > 0)
        ::usleep(static_cast<useconds_t>(milliseconds) * 1000);
}

std::string ToLowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = LowerAscii(c);
    return out;
}

std::string ToUpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = UpperAscii(c);
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

bool ContainsNoCase(std::string_view haystack, std::string_view needle) {
    if (needle.empty())
        return true;
    if (needle.size() > haystack.size())
        return false;
    for (size_t i = 0; i + needle.size() <= haystack.size(); ++i) {
        if (EqualsNoCase(haystack.substr(i, needle.size()), needle))
            return true;
    }
    return false;
}

}  // namespace vellorin
