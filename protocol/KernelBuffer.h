// Ownership of kernel-heap blocks inside the protocol code: the block goes
// back through MwDelete on every path out of a function.
#pragma once

#include <memory>

#include "kernel/KernelResources.h"

namespace protocol {

struct KernelBlockDelete {
  void operator()(char* block) const { MwDelete(block); }
};

// A text or data block from MwNew (or handed out by the transport).
using KernelBuffer = std::unique_ptr<char, KernelBlockDelete>;

}  // namespace protocol
