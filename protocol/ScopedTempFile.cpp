#include "protocol/ScopedTempFile.h"

#include <cstring>

#include "kernel/KernelObjects.h"
#include "kernel/KernelResources.h"
#include "os/BoundedFormat.h"
#include "os/Files.h"
#include "os/RandomBytes.h"
#include "os/TempDirectory.h"

namespace protocol {

namespace {

// The directory is read into this many bytes, and the whole name must fit in
// them too.
constexpr unsigned int kNameBufferSize = 256;
// "NNNNNNNN.tmp"
constexpr std::size_t kFileNameLength = 12;
// Eight decimal digits.
constexpr unsigned long long kNumberCount = 100000000;
// Random numbers tried before giving up: in a directory that still takes new
// files this many collisions do not happen by chance, so the search ends
// instead of running on where nothing can be created.
constexpr int kTempFileAttempts = 100;

}  // namespace

char* ReserveTempFile() {
  char directory[kNameBufferSize];
  if (os::TempDirectory(directory, sizeof directory) == 0) return nullptr;
  if (std::strlen(directory) + kFileNameLength >= kNameBufferSize) return nullptr;

  char name[os::kBoundedFormatSize];
  for (int attempt = 0; attempt < kTempFileAttempts; ++attempt) {
    // Random, so that nobody else on the machine can take the names in
    // advance. The remainder's bias is far too small to matter.
    unsigned long long bits = 0;
    if (!os::RandomBytes(&bits, sizeof bits)) return nullptr;
    int number = static_cast<int>(bits % kNumberCount);
    os::FormatBounded(name, "%s%08d.tmp", directory, number);
    // Exclusive creation is the test for a free name: it fails for any entry
    // already there, whoever made it, and takes the name in the same step.
    if (os::CreateNewFile(name)) {
      char* copy = NewString(name);
      if (copy == nullptr) os::RemoveFile(name);
      return copy;
    }
  }
  return nullptr;
}

ScopedTempFile::ScopedTempFile() : name_(ReserveTempFile()) {}

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
