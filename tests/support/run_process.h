#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace vellorin::test {

struct ProcessResult {
    int exitCode = -1;
    std::string out, err;
};

inline std::string ShellQuoted(const std::string& word) {
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs a program to its end through env(1), its output streams captured through files.
inline ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                                const std::map<std::string, std::string>& env = {}) {
    TempDir capture;
    std::string command = "/usr/bin/env";
    for (const auto& [k, v] : env)
        command += " " + ShellQuoted(k + "=" + v);
    command += " " + ShellQuoted(program);
    for (const std::string& arg : args)
        command += " " + ShellQuoted(arg);
    command += " >" + ShellQuoted(capture.file("1")) + " 2>" + ShellQuoted(capture.file("2"));
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, TempDir::read(capture.file("1")),
            TempDir::read(capture.file("2"))};
}

inline std::string BuiltProgram(const std::string& name) {
    return std::string(VELLORIN_BIN_DIR) + "/" + name;
}

}  // namespace vellorin::test
