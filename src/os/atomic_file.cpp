#include "os/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <utility>
#include <vector>

namespace chronoreel {
namespace {

// Owns one file descriptor.
class UniqueFd {
  public:
    explicit UniqueFd(int fd = -1) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    // Closes now and tells whether the close succeeded (a late write error shows up here).
    bool Close() { return ::close(std::exchange(fd_, -1)) == 0; }
    void Reset(int fd = -1) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

  private:
    int fd_;
};

// Removes a file when it goes, unless told to keep it.
class RemoveUnlessKept {
  public:
    explicit RemoveUnlessKept(std::string path) : path_(std::move(path)) {}
    ~RemoveUnlessKept() {
        if (!path_.empty()) {
            ::unlink(path_.c_str());
        }
    }
    RemoveUnlessKept(const RemoveUnlessKept&) = delete;
    RemoveUnlessKept& operator=(const RemoveUnlessKept&) = delete;
    void Keep() { path_.clear(); }

  private:
    std::string path_;
};

// Writers give up on a file that keeps being replaced under them after this many tries; each
// try waits for the lock, so this is never reached by ordinary contention.
constexpr int kLockAttempts = 1000;

// Long names leave room for the temporary file's prefix and suffix within the name limit.
constexpr size_t kTempNameStemBytes = 200;

std::optional<std::string> ReadAll(int fd) {
    std::string content;
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return std::nullopt;
        }
        if (got == 0) {
            return content;
        }
        content.append(buffer.data(), static_cast<size_t>(got));
    }
}

bool WriteAll(int fd, const std::string& content) {
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t put = ::write(fd, content.data() + done, content.size() - done);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        done += static_cast<size_t>(put);
    }
    return true;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The file a write replaces: the path itself, or the file a symbolic link names, so that the
// rename does not put a plain file in place of the user's link.
std::optional<std::string> ResolveTarget(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_symlink(path, error)) {
        return path;
    }
    const std::filesystem::path resolved = std::filesystem::canonical(path, error);
    if (error) {
        return std::nullopt;
    }
    return resolved.string();
}

// The file opened and locked, and whether this writer created it (then it is empty).
struct LockedFile {
    UniqueFd fd;
    struct stat status {};
    bool created = false;
};

// Opens the file (creating it when missing) and takes the writers' lock. A writer that renames
// a new file over the path leaves the others holding the old one: after the lock is taken the
// path must still name the locked file, else the lock is taken again on the current one.
bool OpenLocked(const std::string& target, LockedFile& locked) {
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        locked.fd.Reset();
        locked.created = false;
        int fd = ::open(target.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT) {
            fd = ::open(target.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0 && errno == EEXIST) {
                continue;
            }
            locked.created = fd >= 0;
        }
        if (fd < 0) {
            return false;
        }
        locked.fd.Reset(fd);
        int result;
        do {
            result = ::flock(fd, LOCK_EX);
        } while (result != 0 && errno == EINTR);
        if (result != 0 || ::fstat(fd, &locked.status) != 0) {
            return false;
        }
        struct stat current {};
        if (::stat(target.c_str(), &current) == 0 && SameFile(current, locked.status)) {
            return true;
        }
    }
    return false;
}

std::string FolderOf(const std::string& target) {
    const size_t slash = target.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : target.substr(0, slash);
}

std::string NameOf(const std::string& target) {
    const size_t slash = target.rfind('/');
    return slash == std::string::npos ? target : target.substr(slash + 1);
}

// Writes content to a new hidden file in the target's folder, with the old file's owner and
// permissions, flushed to disk, and renames it over the target.
bool ReplaceFile(const std::string& target, const struct stat& old, const std::string& content) {
    const std::string folder = FolderOf(target);
    std::string pattern = folder + "/." + NameOf(target).substr(0, kTempNameStemBytes) + ".XXXXXX";
    UniqueFd temp(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!temp.Valid()) {
        return false;
    }
    RemoveUnlessKept tempGuard(pattern);
    if (::fchown(temp.Get(), old.st_uid, old.st_gid) != 0) {
        // Only a privileged writer may give the file away; it is then owned by this user.
    }
    if (!WriteAll(temp.Get(), content) || ::fchmod(temp.Get(), old.st_mode & 07777) != 0 ||
        ::fsync(temp.Get()) != 0 || !temp.Close()) {
        return false;
    }
    if (::rename(pattern.c_str(), target.c_str()) != 0) {
        return false;
    }
    tempGuard.Keep();
    // The rename itself reaches the disk with the folder.
    const UniqueFd folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.Valid()) {
        ::fsync(folderFd.Get());
    }
    return true;
}

}  // namespace

std::optional<std::string> ReadFileText(const std::string& path) {
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return std::string();
        }
        return std::nullopt;
    }
    return ReadAll(fd.Get());
}

bool UpdateFileLocked(const std::string& path, const FileEdit& edit) {
    if (path.empty()) {
        return false;
    }
    const std::optional<std::string> target = ResolveTarget(path);
    if (!target) {
        return false;
    }
    LockedFile locked;
    if (!OpenLocked(*target, locked)) {
        return false;
    }
    // A file created here only to hold the lock goes again unless new content replaces it.
    RemoveUnlessKept createdGuard(locked.created ? *target : std::string());
    // No write bit for anyone marks a read-only file, which stays as it is even for a
    // privileged user.
    if ((locked.status.st_mode & 0222) == 0) {
        return false;
    }
    const std::optional<std::string> current = ReadAll(locked.fd.Get());
    if (!current) {
        return false;
    }
    const std::optional<std::string> changed = edit(*current);
    if (!changed || *changed == *current) {
        return true;
    }
    if (!ReplaceFile(*target, locked.status, *changed)) {
        return false;
    }
    createdGuard.Keep();
    return true;
}

}  // namespace chronoreel
