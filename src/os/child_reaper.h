#pragma once

#include <sys/types.h>

namespace chronoreel {

// Takes over a child that nobody follows any more and waits for it in the background, so that
// it never stays a zombie. Only the children handed over are ever waited for: children that
// other code still follows are left alone.
void AdoptChild(pid_t pid);

}  // namespace chronoreel
