#include "base/command_line.h"

#include "base/constants.h"
#include "base/helpers.h"

namespace vellorin {

std::string JoinCommandLine(int argc, const char* const* argv, int first) {
    std::string text;
    for (int i = first; i < argc; ++i) {
        if (i > first)
            text += ' ';
        text += argv[i];
    }
    return text;
}

bool IsSilentStart(const std::string& commandLine) {
    return commandLine == kSilentSwitch;
}

bool IsDebugSchedule(const std::string& commandLine) {
    return commandLine == kDebugSwitch;
}

bool IsDebugInbox(const std::string& commandLine) {
    return ToLowerAscii(commandLine) == kDebugSwitch;
}

}  // namespace vellorin
