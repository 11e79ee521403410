#include "bazaro/BoothInfo.h"

#include "client/BoothAllocation.h"

#include <cstring>

#include "kernel/KernelResources.h"

unsigned int CountBooth(BoothInfo* list) {
  if (list == nullptr) return 0;
  unsigned int count = 0;
  while (list[count].id != 0) ++count;
  return count;
}

namespace client {

BoothInfo* NewBooth(unsigned int count) {
  if (count >= 0xFFFFFFFFu / sizeof(BoothInfo)) return nullptr;
  unsigned int size = static_cast<unsigned int>((count + 1) * sizeof(BoothInfo));
  auto* list = static_cast<BoothInfo*>(MwNew(size));
  if (list != nullptr) std::memset(list, 0, size);
  return list;
}

}  // namespace client

BoothInfo* CopyBooth(BoothInfo* list) {
  if (list == nullptr) return nullptr;
  unsigned int count = CountBooth(list);
  BoothInfo* copy = client::NewBooth(count);
  if (copy != nullptr) std::memcpy(copy, list, (count + 1) * sizeof(BoothInfo));
  return copy;
}
