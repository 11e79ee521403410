// Writing a ClassList in the written form: headers alone, entries aligned by
// column within their group, values in double quotes.
#include <algorithm>
#include <cstdio>

#include "setup/AtomicFile.h"
#include "setup/ClassList.h"

namespace setup {

namespace {

bool HasBlank(const std::string& text) { return text.find_first_of(" \t") != std::string::npos; }

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// A header's field as written. It stands alone, so only a lone word holding
// blanks (read from a quoted field) needs quotes to be read back as one field.
std::string HeaderText(const ClassLine& line) {
  if (!line.first) return std::string();
  const std::string& field = *line.first;
  if (field.empty() || field[0] == ';' || !HasBlank(field)) return field;
  return Quoted(field);
}

// An entry's class name as written: bare, unless reading it back bare would
// give other fields (blanks, a leading ";", nothing at all).
std::string NameText(const ClassLine& line) {
  std::string field = line.first ? *line.first : std::string();
  if (field.empty() || field[0] == ';' || HasBlank(field)) return Quoted(field);
  return field;
}

void WritePadded(std::FILE* file, const std::string& text, std::size_t width) {
  std::fputs(text.c_str(), file);
  for (std::size_t n = text.size(); n < width; ++n) std::fputc(' ', file);
}

// Writes the entries from `begin` up to the first line without a second field
// as one aligned group; returns that line (null at the end of the list).
const ClassLine* WriteGroup(std::FILE* file, const ClassLine* begin) {
  std::size_t nameWidth = 0;
  std::size_t secondWidth = 0;
  const ClassLine* end = begin;
  for (; end != nullptr && end->second; end = end->next) {
    nameWidth = std::max(nameWidth, NameText(*end).size());
    secondWidth = std::max(secondWidth, end->second->size());
  }
  for (const ClassLine* line = begin; line != end; line = line->next) {
    WritePadded(file, NameText(*line), nameWidth);
    std::fputc(' ', file);
    if (line->third) {
      WritePadded(file, Quoted(*line->second), secondWidth + 2);
      std::fputc(' ', file);
      std::fputs(Quoted(*line->third).c_str(), file);
    } else {
      std::fputs(Quoted(*line->second).c_str(), file);
    }
    std::fputc('\n', file);
  }
  return end;
}

}  // namespace

bool WriteClassList(const ClassList* list, const char* path) {
  if (list == nullptr) return false;
  AtomicFile output;
  std::FILE* file = output.Open(path != nullptr ? std::string(path) : list->path);
  if (file == nullptr) return false;
  // Entries standing before the first header form a group of their own.
  const ClassLine* line = list->head;
  while (line != nullptr) {
    if (line->second) {
      line = WriteGroup(file, line);
    } else {
      std::fputs(HeaderText(*line).c_str(), file);
      std::fputc('\n', file);
      line = line->next;
    }
  }
  return output.Commit();
}

}  // namespace setup
