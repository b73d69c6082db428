#include "movie_setup/manual_path.h"

#include <system_error>

namespace chronoreel {

std::vector<std::filesystem::path> ManualCandidates(const std::filesystem::path& programFolder) {
    const std::filesystem::path manual = std::filesystem::path("Chronoreel") / "index.htm";
    return {
        programFolder / "docs" / manual,
        (programFolder / ".." / "share" / "doc" / "chronoreel" / manual).lexically_normal(),
    };
}

std::optional<std::filesystem::path> FindManual(const std::filesystem::path& programFolder) {
    for (const std::filesystem::path& candidate : ManualCandidates(programFolder)) {
        std::error_code ignored;
        if (std::filesystem::is_regular_file(candidate, ignored)) {
            return candidate;
        }
    }
    return std::nullopt;
}

}  // namespace chronoreel
