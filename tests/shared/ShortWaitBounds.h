// Shortens the transport's wait bounds for one test and restores the
// defaults afterwards, so that time-out cases run in about a second.
#pragma once

#include "transport/WaitBoundsForTesting.h"

class ShortWaitBounds {
 public:
  explicit ShortWaitBounds(unsigned int waitMilliseconds = 300,
                           unsigned int silenceMilliseconds = 1000) {
    transport::SetWaitBoundsForTesting({waitMilliseconds, silenceMilliseconds});
  }
  ~ShortWaitBounds() { transport::SetWaitBoundsForTesting(transport::kDefaultWaitBounds); }
  ShortWaitBounds(const ShortWaitBounds&) = delete;
  ShortWaitBounds& operator=(const ShortWaitBounds&) = delete;
};
