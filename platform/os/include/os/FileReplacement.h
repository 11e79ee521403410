// Replacing a file in one step, so that readers see either the old content or
// the whole new one, and a failed write never costs the old content.
//
// The new content goes to a fresh file that the caller names, next to the
// destination. It is created exclusively and written through the very handle
// that created it, so no one can redirect the write by swapping the name; it
// takes the destination's access rights through that handle too. Commit
// flushes it to the disk, renames it over the destination and makes the
// rename itself durable. Until then the destination is untouched, and a write
// that fails or is never committed removes its new file again.
#pragma once

#include <cstdio>
#include <string>

namespace os {

// What a replacement tells its observer, in this order, with the name of the
// new file concerned.
enum class ReplacementStep {
  kCreating,  // about to create the new file under this name
  kCreated,   // the new file exists, empty, and the stream is open
  kWritten,   // its content is on the disk and the stream closed
  kReplaced,  // it now stands at the destination's path
  kRemoved,   // the name is no longer this replacement's: its file was removed,
              // or it could not be created
};

class FileReplacement {
 public:
  // The name of the new file for `attempt` (counted from 1) at replacing
  // `destination`; empty when no further name should be tried.
  using NameFunction = std::string (*)(const std::string& destination, int attempt);
  // Told of each step; may be null.
  using Observer = void (*)(ReplacementStep step, const std::string& name);

  // Names taken before a replacement gives up: an existing entry of a name
  // only makes the next one be taken.
  static constexpr int kNameAttempts = 32;

  explicit FileReplacement(NameFunction name, Observer observer = nullptr)
      : name_(name), observer_(observer) {}
  // Abandons an uncommitted replacement.
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // Starts replacing `destination`. Returns the stream to write to (binary or
  // text mode), owned by this object, or null when no new file could be made.
  std::FILE* Open(const std::string& destination, bool binary);

  // True when the stream saw no error, its data reached the disk and the new
  // file now stands at the destination's path. On false the destination is
  // as it was and the new file is gone.
  bool Commit();

  // Drops the new file; the destination stays as it was.
  void Abandon();

 private:
  void Tell(ReplacementStep step, const std::string& name) const {
    if (observer_ != nullptr) observer_(step, name);
  }

  NameFunction name_;
  Observer observer_;
  std::FILE* file_ = nullptr;
  std::string destination_;
  std::string temporary_;
};

}  // namespace os
