#include "client/ProgramFileName.h"

#include "kernel/KernelObjects.h"
#include "kernel/KernelText.h"

namespace client {

// The name is never freed: it lives as long as the program, and a static
// destructor could run after the kernel heap has gone.
bool ProgramFileName::Set(const char* fileName) {
  char* copy = fileName != nullptr ? NewString(kernel::Text(fileName)) : nullptr;
  if (fileName != nullptr && copy == nullptr) return false;
  std::lock_guard<std::mutex> hold(lock_);
  FreeString(&name_);
  name_ = copy;
  return true;
}

char* ProgramFileName::Copy() {
  std::lock_guard<std::mutex> hold(lock_);
  return name_ != nullptr ? NewString(name_) : nullptr;
}

}  // namespace client
