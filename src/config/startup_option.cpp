#include "config/startup_option.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <exception>

#include "base/constants.h"
#include "base/helpers.h"
#include "util/atomic_file.h"

namespace vellorin {
namespace {

// One argument of an Exec command line, quoted: inside the double quotes the characters that
// keep a meaning there are escaped, and "%" is doubled so that it is not taken for a field code.
std::string QuoteExecArgument(const std::string& argument) {
    std::string out;
    out.reserve(argument.size() + 8);
    out.push_back('"');
    for (char c : argument) {
        switch (c) {
            case '"':
            case '`':
            case '$':
            case '\\':
                out.push_back('\\');
                out.push_back(c);
                break;
            case '%':
                out.append("%%");
                break;
            default:
                out.push_back(c);
        }
    }
    out.push_back('"');
    return out;
}

// A value as a desktop-file string: the file format's own escapes are undone by readers before
// the Exec quoting is, so every backslash is doubled once more here, and characters that would
// break the line are written as escapes.
std::string EscapeStringValue(const std::string& value) {
    std::string out;
    out.reserve(value.size() + 8);
    for (char c : value) {
        switch (c) {
            case '\\':
                out.append("\\\\");
                break;
            case '\n':
                out.append("\\n");
                break;
            case '\r':
                out.append("\\r");
                break;
            case '\t':
                out.append("\\t");
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

// The entry name becomes a file name inside the autostart folder: it must stay inside it.
bool IsUsableEntryName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

// Creates the missing folders of `path`, private to the user as the base-directory rules ask.
void EnsureFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return;
        if (slash == std::string::npos)
            return;
    }
}

std::string EntryFileContent(const std::string& command) {
    std::string content;
    content += "[Desktop Entry]\n";
    content += "Type=Application\n";
    content += std::string("Name=") + kProductName + "\n";
    content += "Exec=" + EscapeStringValue(command) + "\n";
    content += "X-GNOME-Autostart-enabled=true\n";
    content += "Terminal=false\n";
    content += std::string("Comment=Starts ") + kProductName + " when you log in\n";
    return content;
}

}  // namespace

std::string AutostartFolder() {
    const std::string base = GetUserConfigFolder();
    return base.empty() ? std::string() : AddBackslash(base) + "autostart";
}

std::string RunningProgramFolder() {
    std::string path(PATH_MAX, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= path.size())
        return {};
    path.resize(static_cast<std::size_t>(n));
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string StartupCommand(const std::string& folder, const std::string& executableName,
                           const std::string& arguments) {
    std::string command = QuoteExecArgument(AddBackslash(folder) + executableName);
    if (!IsBlank(arguments))
        command += " " + arguments;
    return command;
}

void SetStartupOption(UserSeam& seam, const std::string& entryName,
                      const std::string& executableName, const std::string& folder,
                      const std::string& arguments, bool bRegister) {
    try {
        const std::string autostart = AutostartFolder();
        if (autostart.empty() || !IsUsableEntryName(entryName))
            return;
        const std::string file = autostart + "/" + entryName + ".desktop";
        // Outcomes are deliberately not reported: the option is a convenience, and a desktop
        // without autostart support simply does not start the program.
        if (bRegister) {
            EnsureFolders(autostart);
            (void)WriteFileAtomic(
                file, EntryFileContent(StartupCommand(folder, executableName, arguments)));
        } else {
            (void)::unlink(file.c_str());
        }
    } catch (const std::exception& e) {
        seam.messageBox("Source: SetStartupOption Function", e.what(), MsgIcon::Critical);
    }
}

}  // namespace vellorin
