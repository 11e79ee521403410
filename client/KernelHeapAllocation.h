// Class-scope allocation for the exported classes a caller may create with
// `new` and delete: the block comes from the kernel heap and goes back to it,
// whichever module runs the `new` or the `delete`. Internal to the library.
#pragma once

#include <cstddef>

namespace client {

// A kernel heap block of `size` bytes, or null when there is none: the
// operators that use it are noexcept, so a failed `new` yields null and no
// exception leaves the library.
void* AllocateKernelBlock(std::size_t size) noexcept;
void FreeKernelBlock(void* block) noexcept;

}  // namespace client

// Defines the four class-scope operators that `Class` declares (new, new[],
// delete, delete[], all noexcept) in its source file.
#define BAZARO_DEFINE_KERNEL_HEAP_OPERATORS(Class)                                      \
  void* Class::operator new(std::size_t size) noexcept {                                \
    return client::AllocateKernelBlock(size);                                           \
  }                                                                                     \
  void* Class::operator new[](std::size_t size) noexcept {                              \
    return client::AllocateKernelBlock(size);                                           \
  }                                                                                     \
  void Class::operator delete(void* block) noexcept { client::FreeKernelBlock(block); } \
  void Class::operator delete[](void* block) noexcept { client::FreeKernelBlock(block); }
