#pragma once

// Starting the built programs as separate processes and waiting for them, for the tests that
// run them whole.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

extern char** environ;

namespace chronoreel::testing {

inline const std::string kSchedulerProgram =
    std::string(CHRONOREEL_BIN_DIR) + "/chronoreel-scheduler";

// The libfaketime library, "" when it is not installed.
inline std::string FakeTimeLibrary() {
    for (const char* path :
         {"/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1",
          "/usr/lib/aarch64-linux-gnu/faketime/libfaketime.so.1",
          "/usr/lib/faketime/libfaketime.so.1", "/usr/local/lib/faketime/libfaketime.so.1"}) {
        if (::access(path, R_OK) == 0) {
            return path;
        }
    }
    return {};
}

// The name of an environment entry "NAME=value".
inline std::string EntryName(const std::string& entry) {
    return entry.substr(0, entry.find('='));
}

// Starts a program with TZ=UTC and the given extra environment (which replaces inherited entries
// of the same names), its output going to files.
inline pid_t Spawn(const std::vector<std::string>& arguments, const std::string& out,
                   const std::string& err, const std::vector<std::string>& extraEnvironment = {}) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> environment = extraEnvironment;
    environment.push_back("TZ=UTC");
    std::set<std::string> replaced;
    for (const std::string& entry : environment) {
        replaced.insert(EntryName(entry));
    }
    for (char** e = environ; *e != nullptr; ++e) {
        if (!replaced.contains(EntryName(*e))) {
            environment.emplace_back(*e);
        }
    }
    std::vector<char*> argv;
    for (const std::string& a : arguments) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : environment) {
        envp.push_back(const_cast<char*>(e.c_str()));
    }
    envp.push_back(nullptr);
    pid_t pid = -1;
    const int result = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return result == 0 ? pid : -1;
}

// Waits (generously) for a condition; true when it came.
inline bool WaitFor(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// The exit code once the process has ended, -1 when it ended otherwise or did not end in time.
inline int WaitForExit(pid_t pid) {
    int status = 0;
    if (!WaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; })) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
    }
    if (WIFSIGNALED(status)) {
        ADD_FAILURE() << "ended by signal " << WTERMSIG(status);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace chronoreel::testing
