#include "protocol/ScopedTempFile.h"

#include "bazaro/TempFile.h"
#include "kernel/KernelObjects.h"
#include "kernel/KernelResources.h"
#include "protocol/KernelBuffer.h"

namespace protocol {

ScopedTempFile::ScopedTempFile()
    : name_(MakeTempFile(KernelText(MwGetEnvironment("Mosaikon", "MKUSRDIR")))) {}

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
