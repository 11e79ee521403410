// Making BoothInfo lists (internal to the library).
#pragma once

#include "bazaro/BoothInfo.h"

// A list with room for `count` records and the end record, every field 0,
// from the kernel heap (the holder frees it with MwDelete); null when it
// would pass the kernel heap's 32-bit size or memory is exhausted.
namespace client {

BoothInfo* NewBooth(unsigned int count);

}  // namespace client
