#include "os/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

namespace chronoreel {
namespace {

constexpr int kNameAttempts = 100;
// As many links in a row as the system itself follows before it gives up.
constexpr int kMaxLinksFollowed = 40;
// Long names leave room for the temporary file's prefix and suffix within the name limit.
constexpr std::size_t kTempNameStemBytes = 200;
// Writers give up on a file that keeps being replaced under them after this many tries; each
// try waits for the lock, so this is never reached by ordinary contention.
constexpr int kLockAttempts = 1000;

std::string RandomSuffix() {
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device source;
    std::uniform_int_distribution<int> pick(0, sizeof kLetters - 2);
    std::string suffix(6, ' ');
    for (char& letter : suffix) {
        letter = kLetters[pick(source)];
    }
    return suffix;
}

// ".name.", the name shortened so that a temporary name fits the file-name limit. Built by
// appending: g++ 12 at -O3 warns falsely about a literal added in front of a string.
std::string TemporaryStem(const std::string& name) {
    std::string stem(1, '.');
    stem += name.substr(0, kTempNameStemBytes);
    stem += '.';
    return stem;
}

// ".name.XXXXXX.tmp".
std::string TemporaryNameFor(const std::string& name) {
    std::string temporary = TemporaryStem(name);
    temporary += RandomSuffix();
    temporary += ".tmp";
    return temporary;
}

bool IsTemporaryNameOf(const std::string& candidate, const std::string& name) {
    const std::string stem = TemporaryStem(name);
    constexpr std::string_view kSuffix = ".tmp";
    constexpr std::size_t kRandomLength = 6;
    return candidate.size() == stem.size() + kRandomLength + kSuffix.size() &&
           candidate.starts_with(stem) && candidate.ends_with(kSuffix);
}

void LockExclusive(int fd) {
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
}

// Removes the named temporary files of earlier replacements of the file whose writers are gone
// (a program killed while it wrote): a living writer holds the lock on its file.
void RemoveStaleTemporaries(const std::filesystem::path& folder, const std::string& name) {
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    if (error) {
        return;
    }
    for (const auto& entry : entries) {
        const std::filesystem::path candidate = entry.path();
        if (!IsTemporaryNameOf(candidate.filename().string(), name)) {
            continue;
        }
        const UniqueFd fd(
            ::open(candidate.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (!fd.Valid() || ::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
            continue;
        }
        struct stat opened {};
        struct stat named {};
        if (::fstat(fd.Get(), &opened) == 0 && ::lstat(candidate.c_str(), &named) == 0 &&
            opened.st_dev == named.st_dev && opened.st_ino == named.st_ino &&
            S_ISREG(named.st_mode)) {
            ::unlink(candidate.c_str());
        }
    }
}

std::filesystem::path FolderOf(const std::filesystem::path& file) {
    const std::filesystem::path folder = file.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

// The file a path names once the links at its end are followed: a file linked into another
// folder (a web server's) is replaced there, and the link stays. A path that is no link is its
// own file; nullopt when the links form a loop.
std::optional<std::filesystem::path> FileBehindLinks(const std::filesystem::path& path) {
    std::filesystem::path file = path;
    for (int followed = 0; followed <= kMaxLinksFollowed; ++followed) {
        std::error_code error;
        if (!std::filesystem::is_symlink(file, error)) {
            return file;
        }
        const std::filesystem::path target = std::filesystem::read_symlink(file, error);
        if (error) {
            return file;
        }
        file = target.is_absolute() ? target : FolderOf(file) / target;
    }
    return std::nullopt;
}

// Makes a finished rename survive a power cut.
void SyncFolder(const std::filesystem::path& folder) {
    const UniqueFd descriptor(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (descriptor.Valid()) {
        ::fsync(descriptor.Get());
    }
}

// The replaced file's permission bits, and its owner and group where this user may give them.
void TakeOverAttributes(int fd, const std::filesystem::path& replaced) {
    struct stat old {};
    if (::stat(replaced.c_str(), &old) != 0) {
        return;  // a new file keeps 0666 less the umask
    }
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
        // Only a privileged writer may give the file away; a member of the old group may still
        // keep the group.
        [[maybe_unused]] const int keptGroup = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    }
    [[maybe_unused]] const int keptMode = ::fchmod(fd, old.st_mode & 07777);
}

std::string SystemError(const std::string& what, const std::filesystem::path& path) {
    return what + " \"" + path.string() + "\": " + std::strerror(errno);
}

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
        content.append(buffer.data(), static_cast<std::size_t>(got));
    }
}

bool WriteAll(int fd, const std::string& content) {
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t put = ::write(fd, content.data() + done, content.size() - done);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            if (put == 0) {
                errno = ENOSPC;  // nothing written and no reason given: the disk took no more
            }
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The file opened and locked, and whether this user may write it.
struct LockedFile {
    UniqueFd fd;
    struct stat status {};
    bool writable = true;
};

// Opens the file and takes the writers' lock; false with errno ENOENT when there is no file. A
// writer that renames a new file over the path leaves the others holding the old one: after the
// lock is taken the path must still name the locked file, else the lock is taken again on the
// current one.
bool OpenLocked(const std::filesystem::path& target, LockedFile& locked) {
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        locked.fd.Reset();
        locked.writable = true;
        int fd = ::open(target.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0 && errno == EACCES) {
            // A file this user may only read is still locked and read: writing back what it
            // already holds changes nothing.
            fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
            locked.writable = false;
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

bool WriteWhole(FileReplacement& replacement, const std::filesystem::path& target,
                const std::string& content, std::string& error) {
    if (!WriteAll(replacement.Descriptor(), content)) {
        error = SystemError("cannot write", target);
        return false;
    }
    return true;
}

// The locked file's new content in its place; error says why not.
bool ReplaceLocked(const std::filesystem::path& target, const LockedFile& locked,
                   const FileEdit& edit, std::string& error) {
    const std::optional<std::string> current = ReadAll(locked.fd.Get());
    if (!current) {
        error = SystemError("cannot read", target);
        return false;
    }
    const std::optional<std::string> changed = edit(*current);
    if (!changed || *changed == *current) {
        return true;  // nothing to write, also into a read-only file
    }
    // No write bit for anyone marks a read-only file, which stays as it is even for a
    // privileged user.
    if (!locked.writable || (locked.status.st_mode & 0222) == 0) {
        error = "the file \"" + target.string() + "\" is read-only";
        return false;
    }
    std::optional<FileReplacement> replacement = FileReplacement::Begin(target, error);
    return replacement && WriteWhole(*replacement, target, *changed, error) &&
           replacement->Commit(error);
}

// A file made at a path where there was none, whole or not at all; pathTaken when another
// writer's file appeared there first. true with error empty also when the edit gives nothing
// to write.
bool CreateWhole(const std::filesystem::path& target, const FileEdit& edit, std::string& error,
                 bool& pathTaken) {
    error.clear();
    const std::optional<std::string> content = edit(std::string());
    if (!content || content->empty()) {
        return true;
    }
    std::optional<FileReplacement> replacement = FileReplacement::Begin(target, error);
    return replacement && WriteWhole(*replacement, target, *content, error) &&
           replacement->CommitAsNewFile(error, pathTaken);
}

}  // namespace

std::optional<FileReplacement> FileReplacement::Begin(const std::filesystem::path& path,
                                                      std::string& error, TemporaryName naming) {
    const std::optional<std::filesystem::path> behindLinks = FileBehindLinks(path);
    if (!behindLinks) {
        error = "the path \"" + path.string() + "\" is a loop of links";
        return std::nullopt;
    }
    const std::filesystem::path& finalPath = *behindLinks;
    const std::string name = finalPath.filename().string();
    if (name.empty() || name == "." || name == "..") {
        error = "the path \"" + finalPath.string() + "\" names no file";
        return std::nullopt;
    }
    std::error_code ignored;
    if (std::filesystem::is_directory(finalPath, ignored)) {
        error = "the path \"" + finalPath.string() + "\" is a folder";
        return std::nullopt;
    }
    const std::filesystem::path folder = FolderOf(finalPath);
    RemoveStaleTemporaries(folder, name);

    FileReplacement replacement;
    replacement.finalPath_ = finalPath;
    if (naming == TemporaryName::kOnlyWhenNeeded) {
        replacement.fd_.Reset(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
        if (replacement.fd_.Valid()) {
            LockExclusive(replacement.fd_.Get());
            return replacement;
        }
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT) {
            error = SystemError("cannot create a file in", folder);
            return std::nullopt;
        }
    }
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::filesystem::path candidate = folder / TemporaryNameFor(name);
        UniqueFd fd(::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (fd.Valid()) {
            LockExclusive(fd.Get());
            replacement.fd_ = std::move(fd);
            replacement.temporaryPath_ = candidate;
            replacement.WatchNameForReport();
            return replacement;
        }
        if (errno != EEXIST) {
            error = SystemError("cannot create a file in", folder);
            return std::nullopt;
        }
    }
    error = "cannot find a free temporary name in \"" + folder.string() + "\"";
    return std::nullopt;
}

void FileReplacement::WatchNameForReport() {
    reportCleanup_.emplace([path = temporaryPath_.string()] { ::unlink(path.c_str()); });
}

bool FileReplacement::GiveTemporaryName(std::string& error) {
    const std::string descriptorPath = "/proc/self/fd/" + std::to_string(fd_.Get());
    const std::filesystem::path folder = FolderOf(finalPath_);
    const std::string name = finalPath_.filename().string();
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::filesystem::path candidate = folder / TemporaryNameFor(name);
        if (::linkat(AT_FDCWD, descriptorPath.c_str(), AT_FDCWD, candidate.c_str(),
                     AT_SYMLINK_FOLLOW) == 0) {
            temporaryPath_ = candidate;
            WatchNameForReport();
            return true;
        }
        if (errno != EEXIST) {
            error = SystemError("cannot name the new file in", folder);
            return false;
        }
    }
    error = "cannot find a free temporary name in \"" + folder.string() + "\"";
    return false;
}

FileReplacement::FileReplacement(FileReplacement&& other) noexcept
    : fd_(std::move(other.fd_)),
      temporaryPath_(std::exchange(other.temporaryPath_, {})),
      finalPath_(std::move(other.finalPath_)) {
    if (other.reportCleanup_) {
        other.reportCleanup_.reset();
        WatchNameForReport();
    }
}

FileReplacement& FileReplacement::operator=(FileReplacement&& other) noexcept {
    if (this != &other) {
        Discard();
        fd_ = std::move(other.fd_);
        temporaryPath_ = std::exchange(other.temporaryPath_, {});
        finalPath_ = std::move(other.finalPath_);
        if (other.reportCleanup_) {
            other.reportCleanup_.reset();
            WatchNameForReport();
        }
    }
    return *this;
}

FileReplacement::~FileReplacement() {
    Discard();
}

bool FileReplacement::FlushToDisk(std::string& error) {
    if (!IsOpen()) {
        error = "the file is not open";
        return false;
    }
    if (::fsync(fd_.Get()) != 0) {
        error = SystemError("cannot write", temporaryPath_.empty() ? finalPath_ : temporaryPath_);
        Discard();
        return false;
    }
    return true;
}

bool FileReplacement::CommitAsNewFile(std::string& error, bool& pathTaken) {
    pathTaken = false;
    if (!FlushToDisk(error)) {
        return false;
    }
    // A link fails when the name exists, so the file appears whole or not at all.
    const int linked =
        temporaryPath_.empty()
            ? ::linkat(AT_FDCWD, ("/proc/self/fd/" + std::to_string(fd_.Get())).c_str(), AT_FDCWD,
                       finalPath_.c_str(), AT_SYMLINK_FOLLOW)
            : ::link(temporaryPath_.c_str(), finalPath_.c_str());
    if (linked != 0) {
        pathTaken = errno == EEXIST;
        error = SystemError("cannot create", finalPath_);
        Discard();
        return false;
    }
    Discard();  // the temporary name, if any, goes; the file keeps its final name
    SyncFolder(FolderOf(finalPath_));
    return true;
}

bool FileReplacement::Commit(std::string& error) {
    if (!IsOpen()) {
        error = "the file is not open";
        return false;
    }
    TakeOverAttributes(fd_.Get(), finalPath_);
    if (!FlushToDisk(error)) {
        return false;
    }
    // The name comes last, once the content is on disk; the lock held on the descriptor keeps
    // other writers from taking the named file for a stale one.
    if (temporaryPath_.empty() && !GiveTemporaryName(error)) {
        Discard();
        return false;
    }
    if (std::rename(temporaryPath_.c_str(), finalPath_.c_str()) != 0) {
        error = SystemError("cannot replace", finalPath_);
        Discard();
        return false;
    }
    reportCleanup_.reset();
    temporaryPath_.clear();
    if (::close(fd_.Release()) != 0) {
        // The data reached the disk with fsync; a late close error changes nothing for it.
    }
    SyncFolder(FolderOf(finalPath_));
    return true;
}

void FileReplacement::Discard() {
    fd_.Reset();
    if (!temporaryPath_.empty()) {
        ::unlink(temporaryPath_.c_str());
        temporaryPath_.clear();
    }
    reportCleanup_.reset();
}

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

bool UpdateFileLocked(const std::string& path, const FileEdit& edit, std::string& error) {
    if (path.empty()) {
        error = "no file named";
        return false;
    }
    const std::optional<std::filesystem::path> target = FileBehindLinks(path);
    if (!target) {
        error = "the path \"" + path + "\" is a loop of links";
        return false;
    }
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        LockedFile locked;
        if (OpenLocked(*target, locked)) {
            return ReplaceLocked(*target, locked, edit, error);
        }
        if (errno != ENOENT) {
            error = SystemError("cannot open", *target);
            return false;
        }
        // No file yet: nothing holds a lock, and nothing may appear at the path before the
        // whole new content does. A writer that comes second finds the first one's file and
        // edits that instead.
        bool pathTaken = false;
        if (CreateWhole(*target, edit, error, pathTaken) || !pathTaken) {
            return error.empty();
        }
        error.clear();
    }
    error = "the file \"" + target->string() + "\" keeps changing";
    return false;
}

bool UpdateFileLocked(const std::string& path, const FileEdit& edit) {
    std::string ignored;
    return UpdateFileLocked(path, edit, ignored);
}

}  // namespace chronoreel
