#include "client/BoothInfo.h"

#include <cstring>

#include "kernel/KernelResources.h"

unsigned int CountBooth(BoothInfo* list) {
  if (list == nullptr) return 0;
  unsigned int count = 0;
  while (list[count].id != 0) ++count;
  return count;
}

BoothInfo* CopyBooth(BoothInfo* list) {
  if (list == nullptr) return nullptr;
  unsigned int count = CountBooth(list);
  // The copy's size must fit the kernel heap's 32-bit request.
  if (count >= 0xFFFFFFFFu / sizeof(BoothInfo)) return nullptr;
  unsigned int size = static_cast<unsigned int>((count + 1) * sizeof(BoothInfo));
  auto* copy = static_cast<BoothInfo*>(MwNew(size));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, list, size);
  return copy;
}
