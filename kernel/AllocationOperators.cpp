// The library's global allocation operators: every block the library
// allocates comes from the kernel heap, so that memory handed across the
// library boundary can be freed by any library of the platform.
//
// These definitions stay local to the library (see KernelHeap.cmake): they
// never replace the host program's own operators.
#include <cstddef>
#include <new>

#include "kernel/KernelResources.h"

namespace {

void* AllocateOrFail(std::size_t size) {
  for (;;) {
    if (size <= 0xFFFFFFFFu) {
      if (void* block = MwNew(static_cast<unsigned int>(size))) return block;
    }
    std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) throw std::bad_alloc();
    handler();
  }
}

void* AllocateOrNull(std::size_t size) noexcept {
  try {
    return AllocateOrFail(size);
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

void* operator new(std::size_t size) { return AllocateOrFail(size); }
void* operator new[](std::size_t size) { return AllocateOrFail(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}

void operator delete(void* block) noexcept { MwDelete(block); }
void operator delete[](void* block) noexcept { MwDelete(block); }
void operator delete(void* block, std::size_t) noexcept { MwDelete(block); }
void operator delete[](void* block, std::size_t) noexcept { MwDelete(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { MwDelete(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { MwDelete(block); }
