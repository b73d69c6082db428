#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace chronoreel {

inline constexpr std::size_t kRecentFileCount = 4;

// The recently used setup files, index 0 the most recent. Empty entries mark unused places and
// only ever follow the used ones.
using RecentFiles = std::array<std::string, kRecentFileCount>;

// Puts path at the front: an entry equal to it moves to the front, otherwise the oldest entry
// drops out. Paths compare exactly, letter case included (Linux file names are case-sensitive).
// An empty path changes nothing.
void MoveToFront(RecentFiles& files, const std::string& path);

}  // namespace chronoreel
