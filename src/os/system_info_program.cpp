#include "os/system_info_program.h"

#include <unistd.h>

#include <array>
#include <filesystem>
#include <system_error>

namespace chronoreel {
namespace {

// Programs that show the computer's hardware and system, the most thorough first.
constexpr std::array<std::string_view, 5> kSystemInfoPrograms = {
    "hardinfo2", "hardinfo", "kinfocenter", "lshw-gtk", "gnome-system-monitor"};

bool IsExecutableFile(const std::filesystem::path& path) {
    std::error_code ignored;
    return std::filesystem::is_regular_file(path, ignored) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::optional<std::string> FindSystemInfoProgram(std::string_view searchPath) {
    for (const std::string_view program : kSystemInfoPrograms) {
        std::string_view rest = searchPath;
        while (true) {
            const auto colon = rest.find(':');
            const std::string_view folder = rest.substr(0, colon);
            // An empty entry of PATH means the current directory; a program from there is never
            // started by a menu item.
            if (!folder.empty()) {
                const std::filesystem::path candidate = std::filesystem::path(folder) / program;
                if (IsExecutableFile(candidate)) {
                    return candidate.string();
                }
            }
            if (colon == std::string_view::npos) {
                break;
            }
            rest.remove_prefix(colon + 1);
        }
    }
    return std::nullopt;
}

}  // namespace chronoreel
