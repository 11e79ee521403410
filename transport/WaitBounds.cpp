#include "transport/WaitBounds.h"
#include "transport/WaitBoundsForTesting.h"

#include <atomic>

namespace transport {

namespace {

std::atomic<unsigned int> waitMilliseconds{kDefaultWaitBounds.waitMilliseconds};
std::atomic<unsigned int> silenceMilliseconds{kDefaultWaitBounds.silenceMilliseconds};

}  // namespace

WaitBounds CurrentWaitBounds() {
  return WaitBounds{waitMilliseconds.load(), silenceMilliseconds.load()};
}

void SetWaitBoundsForTesting(WaitBounds bounds) {
  waitMilliseconds.store(bounds.waitMilliseconds);
  silenceMilliseconds.store(bounds.silenceMilliseconds);
}

}  // namespace transport
