// Writing a file so that readers see either the old content or the whole new
// one, never a part.
//
// The server's use of os::FileReplacement: the new file is named
// ".new.PID.N" in the destination's directory (a name no request can give)
// and written in binary mode. A write that fails or is never committed removes
// its new file, also when the process is ended by SIGTERM, SIGINT or SIGHUP
// (as the web server ends a CGI program whose client went away) once
// InstallCleanupOnSignals has run.
#pragma once

#include <cstdio>
#include <string>

#include "os/FileReplacement.h"
#include "padserver/Status.h"

namespace padserver {

// How the new files' names begin.
constexpr char kNewFilePrefix[] = ".new.";

// Makes the three signals remove the new file of the replacement under way,
// if any, before the process ends.
void InstallCleanupOnSignals();

class FileReplacement {
 public:
  // Abandons an uncommitted replacement when it goes.
  FileReplacement();
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
  os::FileReplacement replacement_;
  std::FILE* file_ = nullptr;
  std::string path_;  // the destination, for the log
};

}  // namespace padserver
