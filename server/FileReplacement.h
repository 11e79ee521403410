// Writing a file so that readers see either the old content or the whole new
// one, never a part.
//
// The data goes to a new file in the destination's directory (".new.PID.N",
// a name no request can give); Commit flushes it to the disk, renames it over
// the destination and flushes the directory. Until then the destination is
// untouched, and a write that fails or is never committed removes its new
// file, also when the process is ended by SIGTERM, SIGINT or SIGHUP (as the
// web server ends a CGI program whose client went away) once
// InstallCleanupOnSignals has run.
#pragma once

#include <cstdio>
#include <string>

#include "Status.h"

namespace padserver {

// Makes the three signals remove the new file of the replacement under way,
// if any, before the process ends.
void InstallCleanupOnSignals();

class FileReplacement {
 public:
  FileReplacement() = default;
  // Abandons an uncommitted replacement.
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // Starts replacing `path`. One replacement at a time per process.
  Status Open(const std::string& path);
  // Appends data; false once any write has failed.
  bool Write(const char* data, std::size_t size);
  // Puts the new content in place; on failure the destination is as it was.
  Status Commit();
  // Drops the new file.
  void Abandon();

 private:
  std::FILE* file_ = nullptr;
  std::string destination_;
  std::string temporary_;
};

}  // namespace padserver
