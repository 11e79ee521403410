#include "setup/files/UserTypeFile.h"

#include <cstdio>
#include <string>

#include "setup/files/AtomicFile.h"

namespace setup {

namespace {

bool IsWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The next word of `line` from `*pos` on; empty when there is none.
std::string NextWord(const std::string& line, std::size_t* pos) {
  while (*pos < line.size() && IsWhiteSpace(line[*pos])) ++*pos;
  std::size_t start = *pos;
  while (*pos < line.size() && !IsWhiteSpace(line[*pos])) ++*pos;
  return line.substr(start, *pos - start);
}

}  // namespace

ReadStatus ReadUserTypeFile(KeyedTable* table, const char* path) {
  if (table == nullptr || path == nullptr) return ReadStatus::kFailed;
  ReadStatus status;
  std::FILE* file = OpenForReading(path, &status);
  if (file == nullptr) return status;
  std::string line;
  while (ReadTextLine(file, &line)) {
    std::size_t pos = 0;
    std::string key = NextWord(line, &pos);
    std::string value = NextWord(line, &pos);
    if (!value.empty()) table->SetValue(key.c_str(), value);
  }
  if (std::ferror(file)) status = ReadStatus::kFailed;
  std::fclose(file);
  return status;
}

bool WriteUserTypeFile(const KeyedTable* table, const char* path) {
  if (table == nullptr || path == nullptr) return false;
  AtomicFile output;
  std::FILE* file = output.Open(path);
  if (file == nullptr) return false;
  for (const KeyedItem* item = table->first; item != nullptr; item = item->next) {
    // Words may hold NUL bytes, which "%s" would cut.
    std::fwrite(item->key.data(), 1, item->key.size(), file);
    std::fputs("\t\t", file);
    std::fwrite(item->value.data(), 1, item->value.size(), file);
    std::fputc('\n', file);
  }
  return output.Commit();
}

bool MergeUserTypeFile(const char* destination, const char* source) {
  if (destination == nullptr || source == nullptr) return false;
  KeyedTable table;
  if (ReadUserTypeFile(&table, destination) == ReadStatus::kFailed) return false;
  ReadUserTypeFile(&table, source);
  return WriteUserTypeFile(&table, destination);
}

}  // namespace setup
