// The common base of the kernel's objects.
//
// MwObject's own allocation operators take every kernel object from the
// kernel heap (MwNew/MwDelete), so an object may be created in one library
// and deleted through its virtual destructor in another.
#pragma once

#include <cstddef>

#include "mkres/MkresExport.h"

class MKRES_API MwObject {
 public:
  MwObject();
  MwObject(const MwObject& other);
  MwObject& operator=(const MwObject& other);
  virtual ~MwObject();

  static void* operator new(std::size_t size);
  static void operator delete(void* block);
};
