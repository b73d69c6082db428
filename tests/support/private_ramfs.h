#pragma once

#include <filesystem>
#include <functional>
#include <optional>

namespace chronoreel::testing {

// Runs body in a child process that sees a fresh ramfs (a file system without direct I/O: it
// refuses O_DIRECT) mounted at the folder body is given, in a mount namespace of its own, so
// nothing outside the child ever sees the mount. Gives body's result (0..125; 128 + the signal
// when it crashed), or nullopt when this system lets no namespace be made (no privilege, user
// namespaces turned off): the caller then skips its test.
std::optional<int> RunInPrivateRamfs(const std::function<int(const std::filesystem::path&)>& body);

}  // namespace chronoreel::testing
