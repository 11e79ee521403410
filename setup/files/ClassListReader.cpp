// Reading a class list file into a ClassList.
#include <cstdio>

#include "setup/files/ClassList.h"
#include "setup/files/TextLine.h"

namespace setup {

namespace {

constexpr int kBufferGrowth = 256;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Fills the fields of `line` from `text` (one line of the file, its line end
// included when present), at most three, left to right.
void ParseFields(const std::string& text, ClassLine* line) {
  std::size_t end = text.size();
  if (end > 0 && text[end - 1] == '\n') --end;
  // A file written on Windows and read elsewhere still ends its lines cleanly;
  // carriage returns at a line's end are never part of its last field (which
  // could not be written back so).
  while (end > 0 && text[end - 1] == '\r') --end;

  std::optional<std::string>* fields[] = {&line->first, &line->second, &line->third};
  std::size_t pos = 0;
  while (pos < end && IsBlank(text[pos])) ++pos;
  for (auto* field : fields) {
    if (pos >= end) break;
    if (text[pos] == '"') {
      std::size_t close = text.find('"', pos + 1);
      if (close == std::string::npos || close >= end) close = end;  // unclosed: rest of line
      *field = text.substr(pos + 1, close - pos - 1);
      pos = close < end ? close + 1 : end;
    } else if (text[pos] == ';') {
      *field = text.substr(pos, end - pos);
      pos = end;
    } else {
      std::size_t start = pos;
      while (pos < end && !IsBlank(text[pos])) ++pos;
      *field = text.substr(start, pos - start);
    }
    while (pos < end && IsBlank(text[pos])) ++pos;
  }
}

// Grows the list's buffer size as a reader with a buffer of that size would
// for `text` (one line), so that it tells how long the longest line was.
void GrowBufferFor(const std::string& text, ClassList* list) {
  bool ended = !text.empty() && text.back() == '\n';
  std::size_t needed = text.size() + (ended ? 1 : 2);
  while (needed > static_cast<std::size_t>(list->bufferSize)) list->bufferSize += kBufferGrowth;
}

}  // namespace

ClassList* ReadClassList(const char* path) {
  if (path == nullptr) return nullptr;
  std::FILE* file = std::fopen(path, "r");
  if (file == nullptr) return nullptr;

  ClassList* list = new ClassList;
  list->path = path;
  std::string text;
  ClassLine** tail = &list->head;
  // Lines are read whole, NUL bytes included, so no part of a line is ever
  // taken for a line of its own.
  while (ReadTextLine(file, &text)) {
    GrowBufferFor(text, list);
    ClassLine* line = new ClassLine;
    ParseFields(text, line);
    *tail = line;
    tail = &line->next;
  }
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    FreeClassList(list);
    return nullptr;
  }
  return list;
}

}  // namespace setup
