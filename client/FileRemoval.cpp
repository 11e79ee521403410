#include "client/FileRemoval.h"

#include "kernel/KernelResources.h"
#include "kernel/KernelText.h"

namespace client {

void RemoveFileFromDisk(const char* file) {
  if (file == nullptr) return;
  MwPath path(kernel::Text(file), nullptr);
  MwFile disk(&path);
  disk.Delete();
}

}  // namespace client
