#include "imaging/scaler_context.h"

extern "C" {
#include <libswscale/swscale.h>
}

namespace chronoreel {

void SwsContextDeleter::operator()(SwsContext* context) const noexcept {
    sws_freeContext(context);
}

}  // namespace chronoreel
