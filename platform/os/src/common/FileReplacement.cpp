#include "os/FileReplacement.h"

#include "os/FileMode.h"
#include "os/Files.h"

namespace os {

FileReplacement::~FileReplacement() { Abandon(); }

std::FILE* FileReplacement::Open(const std::string& destination, bool binary) {
  Abandon();
  if (destination.empty() || name_ == nullptr) return nullptr;
  for (int attempt = 1; attempt <= kNameAttempts; ++attempt) {
    std::string candidate = name_(destination, attempt);
    if (candidate.empty()) break;
    Tell(ReplacementStep::kCreating, candidate);
    std::FILE* file = CreateNewFileStream(candidate.c_str(), binary);
    if (file == nullptr) {
      // Someone else's entry, or no place for one: try the next name.
      Tell(ReplacementStep::kRemoved, candidate);
      continue;
    }
    file_ = file;
    destination_ = destination;
    temporary_ = candidate;
    Tell(ReplacementStep::kCreated, candidate);
    CopyFileMode(destination.c_str(), file_);
    return file_;
  }
  return nullptr;
}

bool FileReplacement::Commit() {
  if (file_ == nullptr) return false;
  bool written = !std::ferror(file_) && FlushToDisk(file_);
  written = std::fclose(file_) == 0 && written;
  file_ = nullptr;
  if (written) {
    Tell(ReplacementStep::kWritten, temporary_);
    if (ReplaceFile(temporary_.c_str(), destination_.c_str())) {
      // The rename is done; a failed flush of the directory cannot undo it.
      FlushDirectoryOf(destination_.c_str());
      std::string replaced;
      replaced.swap(temporary_);
      Tell(ReplacementStep::kReplaced, replaced);
      return true;
    }
  }
  Abandon();
  return false;
}

void FileReplacement::Abandon() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temporary_.empty()) {
    RemoveFile(temporary_.c_str());
    std::string removed;
    removed.swap(temporary_);
    Tell(ReplacementStep::kRemoved, removed);
  }
}

}  // namespace os
