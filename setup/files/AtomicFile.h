// Replacing a file in one step, so that a failed write never costs its old
// content (see os::FileReplacement), with mkinstall's naming of the new file:
// "<destination>.<n>.new" in the destination's own directory. A new file
// that a killed program could not remove is removed by the next write of the
// same destination.
#pragma once

#include <cstdio>
#include <string>

#include "os/FileReplacement.h"

namespace setup {

class AtomicFile {
 public:
  AtomicFile() = default;
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Starts writing the replacement of `path`. Returns the stream to write to,
  // in text mode, or null when no new file could be made next to `path`. The
  // stream belongs to this object.
  std::FILE* Open(const std::string& path);

  // Finishes the write: true when the stream saw no error, its data reached
  // the disk and the new file now stands at the destination's path. On false
  // the destination is as it was and the new file is gone.
  bool Commit() { return replacement_.Commit(); }

  // Drops the new file; the destination stays as it was.
  void Abandon() { replacement_.Abandon(); }

 private:
  static std::string TemporaryName(const std::string& path, int attempt);
  static void Observe(os::ReplacementStep step, const std::string& name);

  // The steps of a write, in order. Tests watch them, through their friend
  // AtomicFileTestHelper, to stop the program between two of them; nothing
  // else sets the watcher, so in mkinstall it is always null.
  enum class Step { kCreated, kWritten, kReplaced };
  friend class AtomicFileTestHelper;
  static void (*watcher_)(Step);

  os::FileReplacement replacement_{&TemporaryName, &Observe};
};

}  // namespace setup
