// A fresh directory for one test's files, removed with everything in it when
// the object goes away.
#pragma once

#include <string>

class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  // The directory, without a trailing separator.
  const std::string& Path() const { return path_; }
  // The directory joined with `name` by the target's separator.
  std::string File(const std::string& name) const;
  // The names of the entries the directory holds, sorted.
  std::string Listing() const;

 private:
  std::string path_;
};

// The names of the entries of `directory` that end with `suffix`, sorted and
// separated by blanks.
std::string ListDirectory(const std::string& directory, const std::string& suffix = "");
// Reads a whole file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
// Writes `content` to `path`, replacing it. True on success.
bool WriteWholeFile(const std::string& path, const std::string& content);
bool FileExists(const std::string& path);
