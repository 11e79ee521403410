#include "client/FileRemoval.h"

#include "kernel/KernelResources.h"

namespace client {

void RemoveFileFromDisk(const char* file) {
  if (file == nullptr) return;
  MwPath path(const_cast<char*>(file), nullptr);
  MwFile disk(&path);
  disk.Delete();
}

}  // namespace client
