// An ordered table of keyed text values: the in-memory form of the user type
// and message files.
//
// Items keep the order in which they were added. Keys compare exactly, byte
// by byte; several items may share a key, and lookups find the first. A
// keyless item has an empty key. The table owns its items.
//
// Lookups go through an index from each key to the first item that has it,
// so that merging a module into a large file takes time in proportion to
// their lengths. Items are therefore added only through SetValue, and keys
// never change once an item is in the table.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace setup {

struct KeyedItem {
  std::string key;
  std::string value;
  KeyedItem* previous = nullptr;
  KeyedItem* next = nullptr;
};

class KeyedTable {
 public:
  KeyedTable() = default;
  // Releases all items.
  virtual ~KeyedTable();
  KeyedTable(const KeyedTable&) = delete;
  KeyedTable& operator=(const KeyedTable&) = delete;

  // The first item whose key equals `key`; null when `key` is null or no
  // item matches.
  KeyedItem* FindItem(const char* key) const;

  // Replaces the value of the first item with `key`; when `key` is null or
  // no item has it, appends a new item (keyless when `key` is null).
  void SetValue(const char* key, const std::string& value);

  // Appends `text` to the value of the first item with `key`; nothing when
  // `key` is null or no item has it.
  void AppendToValue(const char* key, const std::string& text);

  KeyedItem* first = nullptr;
  KeyedItem* last = nullptr;

 private:
  // Each key, the empty key of keyless items included, to its first item.
  // The views point into the items' own keys, which neither move nor change.
  std::unordered_map<std::string_view, KeyedItem*> index_;
};

}  // namespace setup
