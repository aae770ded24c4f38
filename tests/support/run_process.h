#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "support/temp_dir.h"

extern char** environ;

namespace vellorin::test {

struct ProcessResult {
    int exitCode = -1;
    std::string out, err;
};

// Runs a program to its end through env(1), its output streams captured through files.
inline ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                                const std::map<std::string, std::string>& env = {}) {
    TempDir capture;
    std::vector<std::string> argStrings{"/usr/bin/env"};
    for (const auto& [k, v] : env)
        argStrings.push_back(k + "=" + v);
    argStrings.push_back(program);
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStrings)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd : {STDOUT_FILENO, STDERR_FILENO})
        posix_spawn_file_actions_addopen(&actions, fd, capture.file(std::to_string(fd)).c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ProcessResult result;
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    result.out = TempDir::read(capture.file("1"));
    result.err = TempDir::read(capture.file("2"));
    return result;
}

inline std::string BuiltProgram(const std::string& name) {
    return std::string(VELLORIN_BIN_DIR) + "/" + name;
}

}  // namespace vellorin::test
