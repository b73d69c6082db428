#pragma once

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace chronoreel::testing {

struct ProgramRun {
    int exitCode = -1;  // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Where a program is found: one of ours in build/bin, or an installed tool (ffprobe) found
// through PATH.
enum class ProgramLocation { kBuilt, kInstalled };

// What a started program is given besides its arguments.
struct ChildConditions {
    // Files may not grow beyond this many bytes (RLIMIT_FSIZE) and SIGXFSZ is ignored, so that a
    // write beyond fails with EFBIG the way it fails with ENOSPC on a full disk.
    std::optional<rlim_t> fileSizeLimitBytes;
    // A program started by root runs as this user and group instead.
    std::optional<uid_t> user;
    std::optional<gid_t> group;
};

// A program started in folder (its current directory), with no display in its environment.
// Its output goes to files outside folder, so folder holds only what the program itself
// writes. An installed tool that cannot be started ends with 127.
class RunningProgram {
  public:
    RunningProgram(const std::string& program, const std::filesystem::path& folder,
                   const std::vector<std::string>& arguments,
                   ProgramLocation location = ProgramLocation::kBuilt,
                   const ChildConditions& conditions = {})
        : outFile_(capture_ / "out"), errFile_(capture_ / "err") {
        const std::string binary = location == ProgramLocation::kBuilt
                                       ? std::string(CHRONOREEL_BIN_DIR) + "/" + program
                                       : program;
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(binary.c_str()));
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            const int out = open(outFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = open(errFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (out < 0 || err < 0 || dup2(out, STDOUT_FILENO) < 0 ||
                dup2(err, STDERR_FILENO) < 0 || chdir(folder.c_str()) != 0) {
                _exit(126);
            }
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            if (conditions.fileSizeLimitBytes) {
                const rlimit limit{*conditions.fileSizeLimitBytes, *conditions.fileSizeLimitBytes};
                if (setrlimit(RLIMIT_FSIZE, &limit) != 0 || signal(SIGXFSZ, SIG_IGN) == SIG_ERR) {
                    _exit(126);
                }
            }
            if (conditions.group &&
                (setgroups(0, nullptr) != 0 || setgid(*conditions.group) != 0)) {
                _exit(126);
            }
            if (conditions.user && setuid(*conditions.user) != 0) {
                _exit(126);
            }
            execvp(binary.c_str(), argv.data());
            _exit(127);
        }
    }
    ~RunningProgram() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    pid_t Pid() const { return pid_; }
    // What the program has written to standard error so far.
    std::string ErrSoFar() const { return ReadText(errFile_); }

    // Waits for the end and collects the exit code and both output streams.
    ProgramRun Wait() {
        ProgramRun run;
        int status = 0;
        if (pid_ > 0 && waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status)) {
            run.exitCode = WEXITSTATUS(status);
        }
        pid_ = 0;
        run.out = ReadText(outFile_);
        run.err = ReadText(errFile_);
        return run;
    }

  private:
    const TempDir capture_;
    const std::string outFile_;
    const std::string errFile_;
    pid_t pid_ = 0;
};

// The name of a still taken on 2006-01-31, minutes after 06:00, as the camera stamps it.
inline std::string StillName(int minutesAfterSix) {
    const int minutes = 6 * 60 + minutesAfterSix;
    char name[32];
    std::snprintf(name, sizeof name, "20060131%02d%02d00.jpg", minutes / 60, minutes % 60);
    return name;
}

// Waits until a file in folder that the process has open (a new movie, unnamed while it is
// written) holds more than minimumBytes; gives where the process has it.
inline std::optional<std::filesystem::path> WaitForGrowingFile(pid_t pid,
                                                               const std::filesystem::path& folder,
                                                               std::uintmax_t minimumBytes) {
    const std::filesystem::path descriptors = "/proc/" + std::to_string(pid) + "/fd";
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < giveUp) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(descriptors, error)) {
            std::error_code entryError;
            const std::filesystem::path target =
                std::filesystem::read_symlink(entry.path(), entryError);
            if (!entryError && target.parent_path() == folder &&
                std::filesystem::file_size(entry.path(), entryError) > minimumBytes &&
                !entryError) {
                return target;
            }
        }
        usleep(1000);
    }
    return std::nullopt;
}

inline ProgramRun RunProgram(const std::string& program, const std::filesystem::path& folder,
                             const std::vector<std::string>& arguments) {
    return RunningProgram(program, folder, arguments).Wait();
}

// Runs an installed tool (ffprobe, ffmpeg) to its end.
inline ProgramRun RunInstalledTool(const std::string& tool, const std::filesystem::path& folder,
                                   const std::vector<std::string>& arguments) {
    return RunningProgram(tool, folder, arguments, ProgramLocation::kInstalled).Wait();
}

inline ProgramRun RunChronoreel(const std::filesystem::path& folder,
                                const std::vector<std::string>& arguments) {
    return RunProgram("chronoreel", folder, arguments);
}

}  // namespace chronoreel::testing
