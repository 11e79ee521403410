#include "protocol/LocalFile.h"

#include "kernel/KernelResources.h"
#include "kernel/KernelText.h"

namespace protocol {

KernelBuffer LoadFile(const char* name, unsigned long& length, unsigned long largest) {
  length = 0;
  MwPath path(kernel::Text(name), nullptr);
  MwFile file(&path);
  if (!file.OpenRead()) return nullptr;
  unsigned long announced = file.FileLength();
  // The kernel heap takes sizes of 32 bits.
  if (announced > largest || announced > 0xFFFFFFFEul) return nullptr;
  KernelBuffer data(static_cast<char*>(MwNew(static_cast<unsigned int>(announced + 1))));
  if (data == nullptr) return nullptr;
  unsigned long read = file.Read(data.get(), announced);
  // A byte beyond the announced length means the file grew or the length
  // was misreported; either way the buffer does not hold the file.
  char beyond;
  bool whole = read == announced && file.Read(&beyond, 1) == 0;
  file.Close();
  if (!whole) return nullptr;
  length = announced;
  return data;
}

}  // namespace protocol
