// Writing a ClassList in the written form: headers alone, entries aligned by
// column within their group, values in double quotes.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "setup/files/AtomicFile.h"
#include "setup/files/ClassList.h"

namespace setup {

namespace {

bool HasBlank(const std::string& text) { return text.find_first_of(" \t") != std::string::npos; }

// Text that reads back as one bare word: no blanks, and not the beginning of
// a quoted or a ";" field.
bool IsBareWord(const std::string& text) {
  return !text.empty() && !HasBlank(text) && text[0] != '"' && text[0] != ';';
}

// A bare word written last on its line. The reader drops carriage returns at
// a line's end, so a word ending in one is followed by a blank.
std::string LastBareWord(const std::string& word) {
  return word.back() == '\r' ? word + " " : word;
}

// The written form of a field that must be quoted to read back whole; false
// when it holds a double quote, which quotes cannot carry.
bool Quoted(const std::string& field, std::string* text) {
  if (field.find('"') != std::string::npos) return false;
  *text = "\"" + field + "\"";
  return true;
}

// A header's field as written. It stands alone, so a ";" field or a bare word
// is written as it is; anything else (blanks, nothing) is quoted.
bool HeaderText(const ClassLine& line, std::string* text) {
  text->clear();
  if (!line.first) return true;
  const std::string& field = *line.first;
  if (IsBareWord(field)) {
    *text = LastBareWord(field);
    return true;
  }
  // A ";" field runs to the line's end, so one that ends in a carriage return
  // is quoted instead.
  if (!field.empty() && field[0] == ';' && field.back() != '\r') {
    *text = field;
    return true;
  }
  return Quoted(field, text);
}

// An entry's class name as written: bare when it reads back so, else quoted.
bool NameText(const ClassLine& line, std::string* text) {
  std::string field = line.first ? *line.first : std::string();
  if (IsBareWord(field)) {
    *text = field;
    return true;
  }
  return Quoted(field, text);
}

// A value as written: in double quotes. A value holding a double quote was
// read as a bare word or, last on its line, as a ";" field, and is written
// back the same way so that it reads back unchanged.
bool ValueText(const std::string& field, bool last, std::string* text) {
  if (Quoted(field, text)) return true;
  if (IsBareWord(field)) {
    *text = last ? LastBareWord(field) : field;
    return true;
  }
  if (last && field[0] == ';') {
    *text = field;
    return true;
  }
  return false;
}

void Put(std::FILE* file, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), file);
}

void PutPadded(std::FILE* file, const std::string& text, std::size_t width) {
  Put(file, text);
  for (std::size_t n = text.size(); n < width; ++n) std::fputc(' ', file);
}

// One entry's fields as written.
struct EntryText {
  std::string name;
  std::string second;
  std::string third;
  bool hasThird = false;
};

bool FormEntry(const ClassLine& line, EntryText* entry) {
  entry->hasThird = line.third.has_value();
  return NameText(line, &entry->name) &&
         ValueText(*line.second, !entry->hasThird, &entry->second) &&
         (!entry->hasThird || ValueText(*line.third, true, &entry->third));
}

// Writes the entries from `*line` up to the first line without a second field
// as one aligned group and moves `*line` there (null at the end of the list).
// False, with nothing written, when a field has no written form.
bool WriteGroup(std::FILE* file, const ClassLine** line) {
  std::vector<EntryText> entries;
  std::size_t nameWidth = 0;
  std::size_t secondWidth = 0;
  for (; *line != nullptr && (*line)->second; *line = (*line)->next) {
    entries.emplace_back();
    if (!FormEntry(**line, &entries.back())) return false;
    nameWidth = std::max(nameWidth, entries.back().name.size());
    secondWidth = std::max(secondWidth, entries.back().second.size());
  }
  for (const EntryText& entry : entries) {
    PutPadded(file, entry.name, nameWidth);
    std::fputc(' ', file);
    if (entry.hasThird) {
      PutPadded(file, entry.second, secondWidth);
      std::fputc(' ', file);
      Put(file, entry.third);
    } else {
      Put(file, entry.second);
    }
    std::fputc('\n', file);
  }
  return true;
}

}  // namespace

bool WriteClassList(const ClassList* list, const char* path) {
  if (list == nullptr) return false;
  AtomicFile output;
  std::FILE* file = output.Open(path != nullptr ? std::string(path) : list->path);
  if (file == nullptr) return false;
  // Entries standing before the first header form a group of their own.
  const ClassLine* line = list->head;
  std::string header;
  while (line != nullptr) {
    if (line->second) {
      if (!WriteGroup(file, &line)) return false;
    } else {
      if (!HeaderText(*line, &header)) return false;
      Put(file, header);
      std::fputc('\n', file);
      line = line->next;
    }
  }
  return output.Commit();
}

}  // namespace setup
