// A file name a program sets for all its clients (internal to the library),
// such as its own CA file or netrc file: set from one thread, copied by
// tasks starting on others.
#pragma once

#include <mutex>

namespace client {

class ProgramFileName {
 public:
  ProgramFileName() = default;
  ProgramFileName(const ProgramFileName&) = delete;
  ProgramFileName& operator=(const ProgramFileName&) = delete;

  // Replaces the name with a copy of `fileName`, or none for null; false,
  // keeping the previous one, when no copy could be made.
  bool Set(const char* fileName);
  // A new platform string the caller frees, or null when none is set.
  char* Copy();

 private:
  std::mutex lock_;
  char* name_ = nullptr;  // a platform string guarded by `lock_`, or null
};

}  // namespace client
