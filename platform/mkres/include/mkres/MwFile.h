// A file on the disk, read and written in binary.
//
// Constructing an MwFile does not open the file. Every operation reports
// failure as 0; nothing is thrown. The file is closed by Close, Delete or the
// destructor.
#pragma once

#include "mkres/MwObject.h"
#include "mkres/MwPath.h"

// Open modes; only these two are defined.
enum MWOPENMODE {
  MW_OPEN_READ = 0,   // an existing file, for reading
  MW_OPEN_WRITE = 2,  // created or truncated, for writing
};

class MKRES_API MwFile : public MwObject {
 public:
  // The path is not owned and must outlive the file object.
  explicit MwFile(MwPath* path);
  MwFile(const MwFile&) = delete;
  MwFile& operator=(const MwFile&) = delete;
  virtual ~MwFile();

  // Nonzero when a file of that name exists.
  char IsExist();
  // Opens with mode 0 (read) or 2 (create or truncate for writing); any other
  // mode fails. A file already open is closed first.
  char Open(MWOPENMODE mode);
  // Opens an existing file for reading; nonzero on success.
  virtual char OpenRead();
  // Bytes read; fewer than `size` means the end of the file was reached.
  unsigned long Read(void* buffer, unsigned long size);
  // Bytes written.
  unsigned long Write(const void* buffer, unsigned long size);
  char Close();
  // Closes the file if open and removes it from the disk. Nonzero when the
  // file is gone afterwards (also when it did not exist).
  char Delete();
  // The file's length in bytes, whether or not it is open; 0 when it is
  // missing. A length beyond what unsigned long counts (4 GiB - 1 where it is
  // 32 bits wide) gives that largest value.
  unsigned long FileLength();

 private:
  MwPath* path_;
  void* stream_;  // std::FILE* while open
};
