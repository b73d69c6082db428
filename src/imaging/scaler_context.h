#pragma once

#include <memory>

struct SwsContext;

namespace chronoreel {

// Owns one libswscale context; the frame scaler and the video encoder's colour conversion both
// hold theirs this way.
struct SwsContextDeleter {
    void operator()(SwsContext* context) const noexcept;
};
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextDeleter>;

}  // namespace chronoreel
