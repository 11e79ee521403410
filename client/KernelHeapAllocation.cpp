#include "client/KernelHeapAllocation.h"

#include "kernel/KernelResources.h"

namespace client {

void* AllocateKernelBlock(std::size_t size) noexcept {
  if (size > 0xFFFFFFFFu) return nullptr;  // MwNew takes a 32-bit size
  return MwNew(static_cast<unsigned int>(size));
}

void FreeKernelBlock(void* block) noexcept { MwDelete(block); }

}  // namespace client
