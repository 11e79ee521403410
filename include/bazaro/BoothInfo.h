// Pad lists: the records in which a list request returns the pads below a
// parent pad.
//
// A list is a contiguous array of records on the kernel heap ended by a
// record whose `id` is 0 (only that field of the end record is set); an array
// for n pads has room for n + 1 records, so a list of no pads is one end
// record, not null. Callers read the records directly and free a list they
// own with MwDelete.
#pragma once

#include <cstdint>

#include "bazaro/BazaroCommExport.h"

struct BoothInfo {
  std::uint32_t id;  // pad identifier; 0 ends the list
  std::int32_t x;
  std::int32_t y;
  std::int32_t width;
  std::int32_t height;
};

// The number of records before the end record; 0 for null.
BAZAROCOMM_API unsigned int CountBooth(BoothInfo* list);

// A copy of `list`, end record included, byte for byte, from the kernel heap;
// the caller owns it and frees it with MwDelete. Null for null, or when memory
// is exhausted.
BAZAROCOMM_API BoothInfo* CopyBooth(BoothInfo* list);
