// For tests only: makes the kernel heap fail on purpose, so that tests can
// follow what every allocation failure on another thread (a request worker)
// leads to. Not part of the kernel's interface.
#pragma once

#include "mkres/MkresExport.h"

class MKRES_API MwMemoryTestHelper {
 public:
  // Arms the heap: the `count`-th allocation from now on (1: the next one)
  // made by a thread other than the calling one returns null. 0 disarms.
  static void FailAllocationElsewhere(long count);
  // True when the armed allocation has failed.
  static bool ArmedFailureHappened();
};
