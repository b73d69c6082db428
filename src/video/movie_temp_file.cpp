#include "video/movie_temp_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

namespace chronoreel {
namespace {

constexpr int kNameAttempts = 100;
// As many links in a row as the system itself follows before it gives up.
constexpr int kMaxLinksFollowed = 40;

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

std::filesystem::path FolderOf(const std::filesystem::path& file) {
    const std::filesystem::path folder = file.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

// The file a path names once the links at its end are followed: a movie linked into another
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
    const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        fsync(descriptor);
        close(descriptor);
    }
}

}  // namespace

MovieTempFile::~MovieTempFile() {
    Discard();
}

bool MovieTempFile::Create(const std::filesystem::path& outputPath, std::string& error) {
    Discard();
    const std::optional<std::filesystem::path> behindLinks = FileBehindLinks(outputPath);
    if (!behindLinks) {
        error = "the output path \"" + outputPath.string() + "\" is a loop of links";
        return false;
    }
    const std::filesystem::path& finalPath = *behindLinks;
    const std::string name = finalPath.filename().string();
    if (name.empty() || name == "." || name == "..") {
        error = "the output path \"" + finalPath.string() + "\" names no file";
        return false;
    }
    std::error_code ignored;
    if (std::filesystem::is_directory(finalPath, ignored)) {
        error = "the output path \"" + finalPath.string() + "\" is a folder";
        return false;
    }
    const std::filesystem::path folder = FolderOf(finalPath);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::filesystem::path candidate =
            folder / ("." + name + "." + RandomSuffix() + ".tmp");
        const int descriptor =
            open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0) {
            descriptor_ = descriptor;
            temporaryPath_ = candidate;
            finalPath_ = finalPath;
            reportCleanup_.emplace([path = candidate.string()] { unlink(path.c_str()); });
            return true;
        }
        if (errno != EEXIST) {
            error = "cannot create a file in \"" + folder.string() + "\": " + std::strerror(errno);
            return false;
        }
    }
    error = "cannot find a free temporary name in \"" + folder.string() + "\"";
    return false;
}

bool MovieTempFile::Publish(std::string& error) {
    if (!IsOpen()) {
        error = "the movie file is not open";
        return false;
    }
    if (fsync(descriptor_) != 0) {
        error = "cannot write \"" + temporaryPath_.string() + "\": " + std::strerror(errno);
        Discard();
        return false;
    }
    const int closeResult = close(descriptor_);
    descriptor_ = -1;
    if (closeResult != 0) {
        error = "cannot write \"" + temporaryPath_.string() + "\": " + std::strerror(errno);
        Discard();
        return false;
    }
    if (std::rename(temporaryPath_.c_str(), finalPath_.c_str()) != 0) {
        error = "cannot replace \"" + finalPath_.string() + "\": " + std::strerror(errno);
        Discard();
        return false;
    }
    reportCleanup_.reset();
    SyncFolder(FolderOf(finalPath_));
    temporaryPath_.clear();
    return true;
}

void MovieTempFile::Discard() {
    if (descriptor_ >= 0) {
        close(descriptor_);
        descriptor_ = -1;
    }
    if (!temporaryPath_.empty()) {
        unlink(temporaryPath_.c_str());
        temporaryPath_.clear();
    }
    reportCleanup_.reset();
}

}  // namespace chronoreel
