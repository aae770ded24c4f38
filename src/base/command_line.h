#pragma once

#include <string>

namespace vellorin {

// The whole argument text after the program name, as one text: the arguments joined by single
// blanks. Switches are recognised only when this text equals them exactly.
std::string JoinCommandLine(int argc, const char* const* argv, int first = 1);

bool IsSilentStart(const std::string& commandLine);    // exactly "-s"
bool IsDebugSchedule(const std::string& commandLine);  // exactly "-debug"
// The inbox's test lower-cases the text first.
bool IsDebugInbox(const std::string& commandLine);

}  // namespace vellorin
