// File operations that need the operating system's own guarantees.
#pragma once

#include <cstdio>

namespace os {

// Creates `path` as a new, empty file, with owner-only permissions on POSIX
// (O_CREAT|O_EXCL) and CREATE_NEW on Windows. Fails, without touching
// anything, when any entry of that name exists, links included. True when
// this call created the file.
bool CreateNewFile(const char* path);

// Creates `path` as CreateNewFile does and returns a stream writing to that
// very file (binary or text mode), made from the handle that created it: the
// write cannot be redirected by whoever swaps the name afterwards. Null when
// the file could not be made; nothing is left behind then.
std::FILE* CreateNewFileStream(const char* path, bool binary);

// Renames `from` over `to` in one step, replacing an existing `to`
// (rename on POSIX; on Windows MoveFileExA with MOVEFILE_REPLACE_EXISTING and
// MOVEFILE_WRITE_THROUGH, so the move is on the disk when it returns).
bool ReplaceFile(const char* from, const char* to);

// Asks the system to write the directory holding `path` to the disk, which
// makes a rename into it durable on POSIX. Windows needs nothing here: its
// renames are written through. True when done.
bool FlushDirectoryOf(const char* path);

// Flushes the stream and asks the system to write the file's data to the disk.
bool FlushToDisk(std::FILE* file);

// Removes a file. True when it was removed or did not exist.
bool RemoveFile(const char* path);

// Removes `path` only when it is a plain file: never a symbolic link, a
// directory or another reparse point, which may lead somewhere else and be
// someone else's. True when it was removed or did not exist.
bool RemovePlainFile(const char* path);

// The length of the file `path`, or of the file open as `file` (after
// flushing what was written to the stream), counted in 64 bits whatever the
// width of long. False when it cannot be measured.
bool FileSize(const char* path, unsigned long long& size);
bool StreamSize(std::FILE* file, unsigned long long& size);

}  // namespace os
