#include "movie/post_generation.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "base/error_report.h"
#include "base/event_pump.h"
#include "base/text.h"
#include "os/command_string.h"

namespace chronoreel {
namespace {

std::string TwoDigits(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

// The path without the separators that end it; the root stays "/".
std::string_view WithoutTrailingSeparators(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') {
        path.remove_suffix(1);
    }
    return path;
}

// The last path component ("cam.avi" for "/movies/cam.avi").
std::string_view FileNameOf(std::string_view path) {
    path = WithoutTrailingSeparators(path);
    if (path == "/") {
        return {};
    }
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The last component without its last extension; a leading dot names a hidden file and starts
// no extension.
std::string_view BaseNameOf(std::string_view path) {
    const std::string_view name = FileNameOf(path);
    const auto dot = name.rfind('.');
    return (dot == std::string_view::npos || dot == 0) ? name : name.substr(0, dot);
}

// The path without its last component and without the separators before it, except that the
// root keeps its "/"; empty when there is no folder part.
std::string_view ParentFolderOf(std::string_view path) {
    path = WithoutTrailingSeparators(path);
    const auto slash = path.rfind('/');
    if (slash == std::string_view::npos || path == "/") {
        return {};
    }
    const std::string_view parent = WithoutTrailingSeparators(path.substr(0, slash));
    return parent.empty() ? std::string_view("/") : parent;
}

// The folder with a "/" at its end, ready to have a file name appended.
std::string OutDirOf(std::string_view path) {
    std::string folder(ParentFolderOf(path));
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

// Polls until the child ends, fails or the caller stops waiting; at least one poll.
ProcessStatus WaitForCommand(ChildProcess& child, const PostCommandWait& wait) {
    ProcessStatus status = ProcessStatus::kRunning;
    do {
        LetEventsRun();
        status = child.Status();
    } while (status == ProcessStatus::kRunning && (!wait.keepWaiting || wait.keepWaiting()));
    return status;
}

bool IsOlderThanLimit(DateTime runStart, DateTime stamp, float limitDays) {
    const auto ageDays = static_cast<float>(runStart - stamp);
    return ageDays > limitDays;
}

// Deletes one image if it is a regular file; read-only files go too (only the folder's rights
// count). Any failure leaves the file.
bool DeleteImageFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return false;
    }
    return std::filesystem::remove(path, error) && !error;
}

}  // namespace

void Replace(std::string& text, std::string_view tag, std::string_view value) {
    Trap("MovieGen", "Replace", [&] {
        if (tag.empty()) {
            return;
        }
        std::size_t from = 0;
        while (from + tag.size() <= text.size()) {
            if (EqualsIgnoringCase(std::string_view(text).substr(from, tag.size()), tag)) {
                text.replace(from, tag.size(), value);
                from += value.size();
            } else {
                ++from;
            }
        }
    });
}

std::string FillTags(std::string command, DateTime runStart, std::string_view outputPath) {
    const CivilTime t = ToCivil(runStart);
    const std::string hh = TwoDigits(t.hour);
    const std::string mi = TwoDigits(t.minute);
    const std::string ss = TwoDigits(t.second);
    const std::string yy = TwoDigits(((t.year % 100) + 100) % 100);
    const std::string mo = TwoDigits(t.month);
    const std::string dd = TwoDigits(t.day);

    Replace(command, "<time>", hh + mi);
    Replace(command, "<timehhmmss>", hh + mi + ss);
    Replace(command, "<date>", yy + mo + dd);
    Replace(command, "<datemmddyy>", mo + dd + yy);
    Replace(command, "<dateddmmyy>", dd + mo + yy);
    Replace(command, "<datedd>", dd);
    Replace(command, "<outpath>", outputPath);
    Replace(command, "<outfile>", FileNameOf(outputPath));
    Replace(command, "<outfilebase>", BaseNameOf(outputPath));
    Replace(command, "<outdir>", OutDirOf(outputPath));
    return command;
}

bool HasPostGenerationCommand(std::string_view shellCommand) {
    return !std::all_of(shellCommand.begin(), shellCommand.end(), IsBlank);
}

PostCommandResult RunPostGenerationCommand(std::string_view shellCommand, DateTime runStart,
                                           std::string_view outputPath,
                                           const PostCommandWait& wait) {
    PostCommandResult result;
    if (!HasPostGenerationCommand(shellCommand)) {
        return result;
    }
    result.commandText = FillTags(std::string(shellCommand), runStart, outputPath);

    ChildProcess child = ChildProcess::Start(SplitCommandLine(result.commandText));
    result.pid = child.Pid();
    switch (WaitForCommand(child, wait)) {
        case ProcessStatus::kEnded:
            result.outcome = PostCommandOutcome::kEnded;
            result.exit = child.Exit();
            break;
        case ProcessStatus::kRunning:
            // Leaving the scope hands the still running command to the background reaper.
            result.outcome = PostCommandOutcome::kCancelled;
            break;
        case ProcessStatus::kFailed:
            result.outcome = PostCommandOutcome::kFailed;
            result.error = child.StartError();
            break;
    }
    return result;
}

std::size_t DeleteOldImages(std::span<const std::string> images, std::span<const DateTime> stamps,
                            DateTime runStart, double limitHours,
                            const std::function<void(std::string_view fileName)>& deleting) {
    const float limitDays = static_cast<float>(limitHours) / 24.0f;
    const std::size_t count = std::min(images.size(), stamps.size());
    std::size_t deleted = 0;
    for (std::size_t i = 0; i < count; ++i) {
        // Nothing that goes wrong with one image stops the others.
        try {
            if (!IsOlderThanLimit(runStart, stamps[i], limitDays)) {
                continue;
            }
            if (deleting) {
                deleting(FileNameOf(images[i]));
            }
            if (DeleteImageFile(images[i])) {
                ++deleted;
            }
        } catch (...) {
        }
    }
    return deleted;
}

}  // namespace chronoreel
