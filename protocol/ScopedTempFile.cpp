#include "protocol/ScopedTempFile.h"

#include "bazaro/TempFile.h"
#include "kernel/KernelObjects.h"
#include "kernel/KernelResources.h"
#include "kernel/KernelText.h"

namespace protocol {

ScopedTempFile::ScopedTempFile()
    : name_(MakeTempFile(kernel::Text(MwGetEnvironment("Mosaikon", "MKUSRDIR")))) {}

ScopedTempFile::~ScopedTempFile() {
  if (name_ == nullptr) return;
  MwPath path(name_, nullptr);
  MwFile file(&path);
  file.Delete();
  FreeString(&name_);
}

char* ScopedTempFile::Release() {
  char* name = name_;
  name_ = nullptr;
  return name;
}

}  // namespace protocol
