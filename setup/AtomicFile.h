// Replacing a file in one step, so that a failed write never costs its old
// content.
//
// The new content goes to a fresh file in the destination's own directory;
// Commit flushes it to the disk and renames it over the destination. Until
// Commit succeeds the destination is untouched, and a write that fails (or is
// never committed) removes its new file again, so nothing is left behind. A
// new file that a killed program could not remove is removed by the next
// write of the same destination.
#pragma once

#include <cstdio>
#include <string>

namespace setup {

class AtomicFile {
 public:
  AtomicFile() = default;
  // Abandons an uncommitted write.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Starts writing the replacement of `path`. Returns the stream to write to,
  // in text mode, or null when no new file could be made next to `path`. The
  // stream belongs to this object.
  std::FILE* Open(const std::string& path);

  // Finishes the write: true when the stream saw no error, its data reached
  // the disk and the new file now stands at the destination's path. On false
  // the destination is as it was and the new file is gone.
  bool Commit();

  // Drops the new file; the destination stays as it was.
  void Abandon();

 private:
  // The steps of a write, in order. Tests watch them, through their friend
  // AtomicFileTestHelper, to stop the program between two of them; nothing
  // else sets the watcher, so in mkinstall it is always null.
  enum class Step { kCreated, kWritten, kReplaced };
  friend class AtomicFileTestHelper;
  static void (*watcher_)(Step);
  static void Reached(Step step) {
    if (watcher_ != nullptr) watcher_(step);
  }

  std::FILE* file_ = nullptr;
  std::string destination_;
  std::string temporary_;
};

}  // namespace setup
