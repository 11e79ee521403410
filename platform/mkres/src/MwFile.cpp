// MwFile over the C runtime's streams, always in binary so that Windows does
// not translate line ends or stop at a Ctrl-Z byte.
#include "mkres/MwFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <limits>

#include "os/Files.h"

namespace {

std::FILE* AsStream(void* stream) { return static_cast<std::FILE*>(stream); }

}  // namespace

MwFile::MwFile(MwPath* path) : path_(path), stream_(nullptr) {}

MwFile::~MwFile() { Close(); }

char MwFile::IsExist() {
  struct stat status;
  return stat(path_->Name(), &status) == 0 ? 1 : 0;
}

char MwFile::Open(MWOPENMODE mode) {
  const char* streamMode = nullptr;
  if (mode == MW_OPEN_READ) {
    streamMode = "rb";
  } else if (mode == MW_OPEN_WRITE) {
    streamMode = "wb";
  } else {
    return 0;
  }
  Close();
  stream_ = std::fopen(path_->Name(), streamMode);
  return stream_ != nullptr ? 1 : 0;
}

char MwFile::OpenRead() { return Open(MW_OPEN_READ); }

unsigned long MwFile::Read(void* buffer, unsigned long size) {
  if (stream_ == nullptr || buffer == nullptr || size == 0) return 0;
  return static_cast<unsigned long>(std::fread(buffer, 1, size, AsStream(stream_)));
}

unsigned long MwFile::Write(const void* buffer, unsigned long size) {
  if (stream_ == nullptr || buffer == nullptr || size == 0) return 0;
  return static_cast<unsigned long>(std::fwrite(buffer, 1, size, AsStream(stream_)));
}

// A failing fclose means buffered data did not reach the file, so it is
// reported as a failure rather than hidden.
char MwFile::Close() {
  if (stream_ == nullptr) return 0;
  int result = std::fclose(AsStream(stream_));
  stream_ = nullptr;
  return result == 0 ? 1 : 0;
}

char MwFile::Delete() {
  Close();
  return os::RemoveFile(path_->Name()) ? 1 : 0;
}

// An open file is measured through its stream, so that what was written is
// counted; its position is kept. A length beyond what unsigned long can count
// (4 GiB where it is 32 bits wide) reads as the largest it can, never as the
// remainder of a cut.
unsigned long MwFile::FileLength() {
  unsigned long long size = 0;
  std::FILE* stream = AsStream(stream_);
  bool measured =
      stream != nullptr ? os::StreamSize(stream, size) : os::FileSize(path_->Name(), size);
  if (!measured) return 0;
  return static_cast<unsigned long>(
      std::min<unsigned long long>(size, std::numeric_limits<unsigned long>::max()));
}
