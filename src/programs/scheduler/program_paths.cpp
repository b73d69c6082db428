#include "programs/scheduler/program_paths.h"

#include <filesystem>
#include <system_error>

namespace chronoreel {

std::string ExecutableFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return {};
    }
    return self.parent_path().string();
}

std::string DefaultChronoreelPath() {
    const std::string folder = ExecutableFolder();
    return folder.empty() ? std::string("chronoreel") : folder + "/chronoreel";
}

std::string TaskFilePathFor(const std::string& given) {
    std::error_code error;
    std::filesystem::path current = std::filesystem::current_path(error);
    if (error) {
        current = ".";
    }
    if (given.empty()) {
        return (current / kTaskFileName).string();
    }
    const std::filesystem::path path(given);
    return (path.is_absolute() ? path : current / path).lexically_normal().string();
}

}  // namespace chronoreel
