// The tests' hold on the transport's wait bounds. Only tests include this
// header; it is not installed, and the library does not export the function.
#pragma once

#include "transport/WaitBounds.h"

namespace transport {

// Replaces the bounds for every connection made afterwards (and for waits that
// begin afterwards). Restore kDefaultWaitBounds when done.
void SetWaitBoundsForTesting(WaitBounds bounds);

}  // namespace transport
