#include "support/private_ramfs.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>

#include "support/temp_dir.h"

namespace chronoreel::testing {
namespace {

constexpr int kNoNamespace = 126;

bool WriteFile(const char* path, const std::string& text) {
    std::ofstream out(path);
    out << text;
    out.flush();
    return static_cast<bool>(out);
}

// The child's user namespace maps its own user and group to themselves, so files it creates
// have an owner.
bool MapOwnUser(uid_t user, gid_t group) {
    return WriteFile("/proc/self/setgroups", "deny") &&
           WriteFile("/proc/self/uid_map",
                     std::to_string(user) + " " + std::to_string(user) + " 1") &&
           WriteFile("/proc/self/gid_map",
                     std::to_string(group) + " " + std::to_string(group) + " 1");
}

}  // namespace

std::optional<int> RunInPrivateRamfs(const std::function<int(const std::filesystem::path&)>& body) {
    const TempDir dir;
    const std::filesystem::path mountPoint = dir / "ramfs";
    std::filesystem::create_directory(mountPoint);
    const pid_t child = ::fork();
    if (child < 0) {
        return std::nullopt;
    }
    if (child == 0) {
        // A user namespace gives an unprivileged user the right to mount; a privileged one may
        // be refused it (nested containers) and needs only the mount namespace.
        const uid_t user = ::getuid();
        const gid_t group = ::getgid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0) {
            if (!MapOwnUser(user, group)) {
                std::_Exit(kNoNamespace);
            }
        } else if (::unshare(CLONE_NEWNS) != 0) {
            std::_Exit(kNoNamespace);
        }
        // Mounts made here must not travel back to the parent's namespace.
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("none", mountPoint.c_str(), "ramfs", 0, nullptr) != 0) {
            std::_Exit(kNoNamespace);
        }
        std::_Exit(body(mountPoint));
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return std::nullopt;
        }
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);  // a crash of body fails the caller's test
    }
    if (WEXITSTATUS(status) == kNoNamespace) {
        return std::nullopt;
    }
    return WEXITSTATUS(status);
}

}  // namespace chronoreel::testing
