// A temporary file that exists only as long as this object: reserved
// (created empty and exclusively) on construction, removed from the disk and
// its name released on destruction, whatever path the owner leaves by.
#pragma once

namespace protocol {

// Creates a new, empty file of an unpredictable name in the temporary
// directory, exclusively and for the owner only, and returns its full name
// (a platform string the caller frees with FreeString once the file is
// removed); null when none could be made.
char* ReserveTempFile();

class ScopedTempFile {
 public:
  ScopedTempFile();
  ~ScopedTempFile();
  ScopedTempFile(const ScopedTempFile&) = delete;
  ScopedTempFile& operator=(const ScopedTempFile&) = delete;

  // The file's full name; null when no temporary file could be made.
  const char* Name() const { return name_; }
  // Hands the name, and with it the file on the disk, to the caller, who
  // frees it with FreeString once the file is removed; the object then owns
  // nothing.
  char* Release();

 private:
  char* name_;  // platform string
};

}  // namespace protocol
