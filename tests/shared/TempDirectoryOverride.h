// Points the system's temporary directory at `directory` for the life of the
// object: TMPDIR on POSIX, TMP on Windows (the first variable GetTempPathA
// reads).
#pragma once

#include <string>

#include "EnvironmentOverride.h"

class TempDirectoryOverride {
 public:
  explicit TempDirectoryOverride(const std::string& directory);
  TempDirectoryOverride(const TempDirectoryOverride&) = delete;
  TempDirectoryOverride& operator=(const TempDirectoryOverride&) = delete;

  // The directory as the system now names it, with its trailing separator.
  const std::string& Directory() const { return directory_; }
  // True when the system really names `Directory()` now; checks that rely on
  // it should make sure first.
  bool InEffect() const;

 private:
  std::string directory_;
  EnvironmentOverride variable_;
};
