// File operations on Windows.
#include "os/Files.h"

#include <cstdio>

#include <fcntl.h>
#include <io.h>

#include "os/WindowsApi.h"

// <windows.h> spells ReplaceFile as a macro for ReplaceFileA.
#undef ReplaceFile

namespace os {

bool CreateNewFile(const char* path) {
  HANDLE file =
      CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

std::FILE* CreateNewFileStream(const char* path, bool binary) {
  HANDLE handle =
      CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  // The descriptor and then the stream take the handle over; each closes it.
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle),
                           _O_WRONLY | (binary ? _O_BINARY : _O_TEXT));
  if (fd < 0) {
    CloseHandle(handle);
    DeleteFileA(path);
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, binary ? "wb" : "w");
  if (file == nullptr) {
    _close(fd);
    DeleteFileA(path);
  }
  return file;
}

bool ReplaceFile(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool FlushDirectoryOf(const char*) { return true; }

// A caller that included <windows.h> before os/Files.h declared and calls
// this function as ReplaceFileA; that spelling is served as well.
bool ReplaceFileA(const char* from, const char* to) { return ReplaceFile(from, to); }

bool FlushToDisk(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle) != 0;
}

bool RemoveFile(const char* path) {
  if (DeleteFileA(path)) return true;
  DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool RemovePlainFile(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) return false;
  // Should the name be swapped in between, DeleteFileA removes at most the
  // entry itself: it deletes a link, not its target, and refuses a directory.
  return RemoveFile(path);
}

bool FileSize(const char* path, unsigned long long& size) {
  WIN32_FILE_ATTRIBUTE_DATA attributes;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &attributes)) return false;
  size =
      (static_cast<unsigned long long>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
  return true;
}

bool StreamSize(std::FILE* file, unsigned long long& size) {
  if (std::fflush(file) != 0) return false;
  long long length = _filelengthi64(_fileno(file));
  if (length < 0) return false;
  size = static_cast<unsigned long long>(length);
  return true;
}

}  // namespace os
