#include "bazaro/MemoryErrorHandle.h"

#include <new>

#include "kernel/KernelObjects.h"

namespace {

// The handler in place before the kernel's was installed.
std::new_handler previousHandler = nullptr;

// The runtime calls a new-handler without arguments and expects it either to
// make memory available or not to return; the kernel handler tells which with
// its result (0: nothing freed), and the size is not known here.
void KernelMemoryErrorAdapter() {
  if (MKMemoryErrorHandle_(0) == 0) throw std::bad_alloc();
}

}  // namespace

void DLLSetMemoryErrorHandle() {
  if (std::get_new_handler() == KernelMemoryErrorAdapter) return;
  previousHandler = std::set_new_handler(KernelMemoryErrorAdapter);
}
