#include "movie_setup/recent_files.h"

#include <algorithm>

namespace chronoreel {

void MoveToFront(RecentFiles& files, const std::string& path) {
    if (path.empty()) {
        return;  // an empty entry would break "empty entries follow the used ones"
    }
    const auto found = std::find(files.begin(), files.end(), path);
    const auto last = found == files.end() ? files.end() - 1 : found;
    std::move_backward(files.begin(), last, last + 1);
    files.front() = path;
}

}  // namespace chronoreel
