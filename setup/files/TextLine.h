// Reading text files line by line, with no limit on the length of a line.
#pragma once

#include <cstdio>
#include <string>

namespace setup {

// Reads the next line of `file` into `line`, its line end ("\n") included
// when the file has one there. False at the end of the file or on a read
// error (tell the two apart with std::ferror).
bool ReadTextLine(std::FILE* file, std::string* line);

// How reading a whole file went.
enum class ReadStatus {
  kRead,     // read to its end
  kMissing,  // no such file
  kFailed,   // the file is there but could not be read whole
};

// Opens `path` for reading in text mode. Null when it cannot be opened, with
// `status` telling a missing file from one that exists but cannot be read.
std::FILE* OpenForReading(const char* path, ReadStatus* status);

}  // namespace setup
