// Where the server keeps its files: the pad files (pads/ID.pad) and the misc
// files (misc/NAME). The data directory holds them for a front end of its
// own; the shared store holds them when several front ends serve the same
// pads.
//
// Files are written and read in pieces, never whole in memory. A file is
// replaced whole or not at all: a reader sees the old content or all of the
// new one, and a replacement that is abandoned, fails or whose process ends
// leaves the old content and nothing else behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "padserver/Status.h"

namespace padserver {

// The two folders of the area. Names must have passed CheckFileName (misc)
// or be "ID.pad" (pads).
enum class Folder { kPads, kMisc };

// A replacement under way; dropped uncommitted, it is abandoned.
class FileWriter {
 public:
  virtual ~FileWriter() = default;
  // Appends data; false once any write has failed.
  virtual bool Write(const char* data, std::size_t size) = 0;
  // Puts the new content in place; on failure the old content stays.
  virtual Status Commit() = 0;
};

// One version of a file, whole, whatever replaces it meanwhile.
class FileReader {
 public:
  virtual ~FileReader() = default;
  virtual std::uint64_t Size() const = 0;
  // The next bytes, at most `size`: the count, 0 at the end, -1 on failure.
  virtual long Read(char* buffer, std::size_t size) = 0;
};

class FileArea {
 public:
  virtual ~FileArea() = default;

  // Starts replacing the file `name`; 500 when that cannot start.
  virtual Status Replace(Folder folder, const std::string& name,
                         std::unique_ptr<FileWriter>& writer) = 0;
  // Opens the file `name`: 404 when there is none, 500 when it cannot be read.
  virtual Status Open(Folder folder, const std::string& name,
                      std::unique_ptr<FileReader>& reader) = 0;
  // Removes the file `name`; a missing file is no failure.
  virtual Status Remove(Folder folder, const std::string& name) = 0;
  // The names of the files in `folder`, in no particular order.
  virtual Status List(Folder folder, std::vector<std::string>& names) = 0;
  // The misc files' count and bytes in all, leaving out `except` (the file
  // an upload replaces).
  virtual Status MiscUsage(const std::string& except, std::uint64_t& files,
                           std::uint64_t& bytes) = 0;
};

}  // namespace padserver
