// Lines are gathered character by character, so no line is cut however long.
#include "setup/files/TextLine.h"

#include <cerrno>

namespace setup {

bool ReadTextLine(std::FILE* file, std::string* line) {
  line->clear();
  int c;
  while ((c = std::getc(file)) != EOF) {
    line->push_back(static_cast<char>(c));
    if (c == '\n') return true;
  }
  if (std::ferror(file)) return false;
  return !line->empty();
}

std::FILE* OpenForReading(const char* path, ReadStatus* status) {
  errno = 0;
  std::FILE* file = std::fopen(path, "r");
  if (file != nullptr) {
    *status = ReadStatus::kRead;
  } else {
    *status = errno == ENOENT ? ReadStatus::kMissing : ReadStatus::kFailed;
  }
  return file;
}

}  // namespace setup
