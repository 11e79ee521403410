#include "setup/files/AtomicFile.h"

#include "os/BoundedFormat.h"
#include "os/Files.h"

namespace setup {

void (*AtomicFile::watcher_)(AtomicFile::Step) = nullptr;

std::string AtomicFile::TemporaryName(const std::string& path, int attempt) {
  char suffix[os::kBoundedFormatSize];
  os::FormatBounded(suffix, ".%d.new", attempt);
  return path + suffix;
}

void AtomicFile::Observe(os::ReplacementStep step, const std::string&) {
  if (watcher_ == nullptr) return;
  switch (step) {
    case os::ReplacementStep::kCreated:
      watcher_(Step::kCreated);
      break;
    case os::ReplacementStep::kWritten:
      watcher_(Step::kWritten);
      break;
    case os::ReplacementStep::kReplaced:
      watcher_(Step::kReplaced);
      break;
    default:
      break;
  }
}

std::FILE* AtomicFile::Open(const std::string& path) {
  Abandon();
  if (path.empty()) return nullptr;
  // New files of this destination are leftovers of a killed write: the names
  // are this class's own, and one program writes an installation at a time.
  for (int attempt = 1; attempt <= os::FileReplacement::kNameAttempts; ++attempt) {
    os::RemovePlainFile(TemporaryName(path, attempt).c_str());
  }
  return replacement_.Open(path, false);
}

}  // namespace setup
