#include "TempDirectoryOverride.h"

#include "os/PathSeparator.h"
#include "os/TempDirectory.h"

namespace {
const char* const kTempVariable = os::kPathSeparator == '/' ? "TMPDIR" : "TMP";
}

TempDirectoryOverride::TempDirectoryOverride(const std::string& directory)
    : directory_(directory + os::kPathSeparatorText), variable_(kTempVariable, directory_) {}

bool TempDirectoryOverride::InEffect() const {
  char name[1024];
  if (os::TempDirectory(name, sizeof name) == 0) return false;
  return directory_ == name;
}
