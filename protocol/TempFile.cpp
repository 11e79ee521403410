#include "bazaro/TempFile.h"

#include <cstring>

#include "kernel/KernelObjects.h"
#include "os/BoundedFormat.h"
#include "os/Files.h"
#include "os/TempDirectory.h"

namespace {

// The directory is read into this many bytes, and the whole name must fit in
// them too.
constexpr unsigned int kNameBufferSize = 256;
// "NNNNNNNN.tmp"
constexpr std::size_t kFileNameLength = 12;
// Numbers tried before giving up: a directory where nothing can be created
// ends the search after this many attempts instead of running on.
constexpr int kTempFileAttempts = 10000;

}  // namespace

char* MakeTempFile(char* /*directory*/) {
  char directory[kNameBufferSize];
  if (os::TempDirectory(directory, sizeof directory) == 0) return nullptr;
  if (std::strlen(directory) + kFileNameLength >= kNameBufferSize) return nullptr;

  char name[os::kBoundedFormatSize];
  for (int number = 0; number < kTempFileAttempts; ++number) {
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
