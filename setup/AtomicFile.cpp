#include "setup/AtomicFile.h"

#include "os/BoundedFormat.h"
#include "os/FileMode.h"
#include "os/Files.h"

namespace setup {

namespace {

// Names tried for the new file: "<destination>.<n>.new". One that cannot be
// removed (a directory, say) only makes the next number be taken.
constexpr int kTemporaryNameAttempts = 32;

std::string TemporaryName(const std::string& path, int attempt) {
  char suffix[os::kBoundedFormatSize];
  os::FormatBounded(suffix, ".%d.new", attempt);
  return path + suffix;
}

}  // namespace

void (*AtomicFile::watcher_)(AtomicFile::Step) = nullptr;

AtomicFile::~AtomicFile() { Abandon(); }

std::FILE* AtomicFile::Open(const std::string& path) {
  Abandon();
  if (path.empty()) return nullptr;
  // New files of this destination are leftovers of a killed write: the names
  // are this class's own, and one program writes an installation at a time.
  for (int attempt = 1; attempt <= kTemporaryNameAttempts; ++attempt) {
    os::RemoveFile(TemporaryName(path, attempt).c_str());
  }
  for (int attempt = 1; attempt <= kTemporaryNameAttempts; ++attempt) {
    std::string candidate = TemporaryName(path, attempt);
    if (!os::CreateNewFile(candidate.c_str())) continue;
    // The file is ours now (it did not exist before); open it as text.
    std::FILE* file = std::fopen(candidate.c_str(), "w");
    if (file == nullptr) {
      os::RemoveFile(candidate.c_str());
      return nullptr;
    }
    os::CopyFileMode(path.c_str(), candidate.c_str());
    file_ = file;
    destination_ = path;
    temporary_ = candidate;
    Reached(Step::kCreated);
    return file_;
  }
  return nullptr;
}

bool AtomicFile::Commit() {
  if (file_ == nullptr) return false;
  bool written = !std::ferror(file_) && os::FlushToDisk(file_);
  written = std::fclose(file_) == 0 && written;
  file_ = nullptr;
  if (written) Reached(Step::kWritten);
  if (written && os::ReplaceFile(temporary_.c_str(), destination_.c_str())) {
    temporary_.clear();
    Reached(Step::kReplaced);
    return true;
  }
  Abandon();
  return false;
}

void AtomicFile::Abandon() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temporary_.empty()) {
    os::RemoveFile(temporary_.c_str());
    temporary_.clear();
  }
}

}  // namespace setup
