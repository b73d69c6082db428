#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace chronoreel::testing {

struct ProgramRun {
    int exitCode = -1;  // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs build/bin/<program> with arguments in folder (its current directory), with no display in
// its environment, and collects its exit code and both output streams. The output goes through
// files outside folder, so folder holds only what the program itself writes.
inline ProgramRun RunProgram(const std::string& program, const std::filesystem::path& folder,
                             const std::vector<std::string>& arguments) {
    const TempDir capture;
    const std::string outFile = capture / "out";
    const std::string errFile = capture / "err";
    const std::string binary = std::string(CHRONOREEL_BIN_DIR) + "/" + program;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(binary.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || dup2(out, STDOUT_FILENO) < 0 || dup2(err, STDERR_FILENO) < 0 ||
            chdir(folder.c_str()) != 0) {
            _exit(126);
        }
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        execv(binary.c_str(), argv.data());
        _exit(127);
    }
    ProgramRun run;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        run.exitCode = WEXITSTATUS(status);
    }
    run.out = ReadText(outFile);
    run.err = ReadText(errFile);
    return run;
}

inline ProgramRun RunChronoreel(const std::filesystem::path& folder,
                                const std::vector<std::string>& arguments) {
    return RunProgram("chronoreel", folder, arguments);
}

}  // namespace chronoreel::testing
