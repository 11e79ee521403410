#include "setup/files/MessageFile.h"

#include <cstdio>

#include "setup/files/AtomicFile.h"

namespace setup {

namespace {

bool IsKeyless(const std::string& line) {
  char c = line[0];
  return c == '#' || c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool Continues(const std::string& text) {
  std::size_t n = text.size();
  return n >= 2 && text[n - 2] == '\\' && text[n - 1] == '\n';
}

// Splits a message line at its second colon. False when it has fewer than two.
bool SplitMessageKey(const std::string& line, std::string* key, std::string* value) {
  std::size_t firstColon = line.find(':');
  if (firstColon == std::string::npos) return false;
  std::size_t secondColon = line.find(':', firstColon + 1);
  if (secondColon == std::string::npos) return false;
  *key = line.substr(0, secondColon);
  *value = line.substr(secondColon + 1);
  return true;
}

// A message whose last line still ends with a backslash where its file ends
// would take in whatever is written after it: it is ended with an empty line,
// as its written form would be read back. A backslash without a line end gets
// the line end that writing would give it first.
void EndOpenContinuation(KeyedTable* table, const std::string& key) {
  const KeyedItem* item = table->FindItem(key.c_str());
  if (item == nullptr || item->value.empty()) return;
  if (item->value.back() == '\\') table->AppendToValue(key.c_str(), "\n");
  if (Continues(item->value)) table->AppendToValue(key.c_str(), "\n");
}

// Writes `text`, NUL bytes included, and a line end when it lacks one (the
// file's last line may).
void WriteEnded(std::FILE* file, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), file);
  if (text.empty() || text.back() != '\n') std::fputc('\n', file);
}

}  // namespace

ReadStatus ReadMessageFile(KeyedTable* table, const char* path, std::string* unread) {
  if (unread != nullptr) unread->clear();
  if (table == nullptr || path == nullptr) return ReadStatus::kFailed;
  ReadStatus status;
  std::FILE* file = OpenForReading(path, &status);
  if (file == nullptr) return status;

  std::string line;
  std::string continuationKey;
  std::string key;
  std::string value;
  std::string lastKey;  // the message the last line read belongs to
  while (ReadTextLine(file, &line)) {
    if (!continuationKey.empty()) {
      table->AppendToValue(continuationKey.c_str(), line);
      if (!Continues(line)) continuationKey.clear();
    } else if (IsKeyless(line)) {
      table->SetValue(nullptr, line);
      lastKey.clear();
    } else if (SplitMessageKey(line, &key, &value)) {
      table->SetValue(key.c_str(), value);
      if (Continues(value)) continuationKey = key;
      lastKey = key;
    } else {
      lastKey.clear();
      if (unread != nullptr) {
        *unread = line;
        while (ReadTextLine(file, &line)) *unread += line;
      }
      break;
    }
  }
  if (std::ferror(file)) status = ReadStatus::kFailed;
  std::fclose(file);
  if (!lastKey.empty()) EndOpenContinuation(table, lastKey);
  return status;
}

bool WriteMessageFile(const KeyedTable* table, const char* path, const std::string& unread) {
  if (table == nullptr || path == nullptr) return false;
  AtomicFile output;
  std::FILE* file = output.Open(path);
  if (file == nullptr) return false;
  for (const KeyedItem* item = table->first; item != nullptr; item = item->next) {
    if (!item->key.empty()) {
      std::fwrite(item->key.data(), 1, item->key.size(), file);
      std::fputc(':', file);
    }
    WriteEnded(file, item->value);
  }
  if (!unread.empty()) WriteEnded(file, unread);
  return output.Commit();
}

bool MergeMessageFile(const char* destination, const char* source) {
  if (destination == nullptr || source == nullptr) return false;
  KeyedTable table;
  std::string unread;
  if (ReadMessageFile(&table, destination, &unread) == ReadStatus::kFailed) return false;
  ReadMessageFile(&table, source);
  return WriteMessageFile(&table, destination, unread);
}

}  // namespace setup
