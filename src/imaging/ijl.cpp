#include "imaging/ijl.h"

#include <limits>

#include "base/app_error.h"
#include "base/error_report.h"

namespace chronoreel {

std::int32_t IJL_DIB_PAD_BYTES(std::int32_t width, std::int32_t channels) {
    return Trap("ijl", "IJL_DIB_PAD_BYTES", [&] {
        const std::int64_t rowBytes = std::int64_t{width} * channels;
        // The padded row must itself still fit the 32-bit row size.
        if (rowBytes + 3 > std::numeric_limits<std::int32_t>::max() ||
            rowBytes < std::numeric_limits<std::int32_t>::min()) {
            throw AppError(kErrOverflow, "Overflow");
        }
        return static_cast<std::int32_t>(((rowBytes + 3) & ~std::int64_t{3}) - rowBytes);
    });
}

}  // namespace chronoreel
