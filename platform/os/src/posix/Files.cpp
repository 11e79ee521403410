// File operations on POSIX.
#include "os/Files.h"

#include <cerrno>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace os {

namespace {

// O_EXCL with O_CREAT also refuses a symbolic link, dangling or not, so a
// planted link can never redirect the new file; O_NOFOLLOW says so twice.
int OpenNewFile(const char* path) {
  return ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

}  // namespace

bool CreateNewFile(const char* path) {
  int fd = OpenNewFile(path);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

std::FILE* CreateNewFileStream(const char* path, bool) {
  int fd = OpenNewFile(path);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, "w");  // POSIX has no text mode
  if (file == nullptr) {
    ::close(fd);
    ::unlink(path);
  }
  return file;
}

bool ReplaceFile(const char* from, const char* to) { return std::rename(from, to) == 0; }

bool FlushDirectoryOf(const char* path) {
  std::string directory(path);
  std::size_t slash = directory.rfind('/');
  directory = slash == std::string::npos ? std::string(".") : directory.substr(0, slash + 1);
  int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool flushed = ::fsync(fd) == 0;
  ::close(fd);
  return flushed;
}

bool FlushToDisk(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
  return ::fsync(::fileno(file)) == 0;
}

bool RemoveFile(const char* path) { return ::unlink(path) == 0 || errno == ENOENT; }

bool RemovePlainFile(const char* path) {
  struct stat status;
  if (::lstat(path, &status) != 0) return errno == ENOENT;
  if (!S_ISREG(status.st_mode)) return false;
  // Should the name be swapped in between, unlink removes at most the entry
  // itself: it never follows a link and refuses a directory.
  return RemoveFile(path);
}

namespace {

bool SizeFromStatus(int result, const struct stat& status, unsigned long long& size) {
  if (result != 0 || status.st_size < 0) return false;
  size = static_cast<unsigned long long>(status.st_size);
  return true;
}

}  // namespace

bool FileSize(const char* path, unsigned long long& size) {
  struct stat status;
  return SizeFromStatus(::stat(path, &status), status, size);
}

bool StreamSize(std::FILE* file, unsigned long long& size) {
  if (std::fflush(file) != 0) return false;
  struct stat status;
  return SizeFromStatus(::fstat(::fileno(file), &status), status, size);
}

}  // namespace os
