#include "movie/run_diagnostics.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "base/date_time.h"
#include "movie/image_scan.h"

namespace chronoreel {
namespace {

std::string FolderProblem(const std::string& folder) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(folder, error);
    if (!std::filesystem::exists(status)) {
        return " (the folder does not exist)";
    }
    if (!std::filesystem::is_directory(status)) {
        return " (that is no folder)";
    }
    if (::access(folder.c_str(), R_OK | X_OK) != 0) {
        return " (the folder cannot be read)";
    }
    return "";
}

// "2026-12-10 06:00".
std::string MinuteText(DateTime value) {
    return FormatDateTime(value, DateTimePattern::kIsoDateTime).substr(0, 16);
}

}  // namespace

std::string NoFilesLine(const std::string& stillDirectory, const std::string& imageFilter) {
    const std::string folder = DirectoryPrefix(stillDirectory);
    return "no file matching " + imageFilter + " in " + folder + FolderProblem(folder);
}

std::string NothingSelectedLine(std::size_t imageCount, const TimeWindow& window) {
    const std::string start = MinuteText(window.start);
    std::string stop = MinuteText(window.stop);
    if (stop.compare(0, 10, start, 0, 10) == 0) {
        stop.erase(0, 11);  // the same day: its time alone
    }
    std::string line = "none of " + std::to_string(imageCount);
    line += imageCount == 1 ? " image" : " images";
    line += " met the time window ";
    line += start;
    line += " to ";
    line += stop;
    return line;
}

std::string NothingDecodedLine(std::size_t frameCount) {
    return "none of the " + std::to_string(frameCount) + " selected stills could be used";
}

std::string SkippedStillLine(const std::string& path, FrameSkip reason) {
    std::string line = "skipped ";
    line += path;
    line += ": ";
    line += FrameSkipText(reason);
    return line;
}

std::string PostCommandEndLine(const PostCommandResult& result) {
    if (result.outcome != PostCommandOutcome::kEnded || !result.exit) {
        return "";
    }
    const ChildExit& exit = *result.exit;
    std::string line = "the post-generation command ";
    if (exit.kind == ChildExit::Kind::kSignalled) {
        line += "was ended by signal " + std::to_string(exit.code);
    } else if (exit.code != 0) {
        line += "ended with exit code " + std::to_string(exit.code);
    } else {
        return "";
    }
    line += ": ";
    line += result.commandText;
    return line;
}

}  // namespace chronoreel
