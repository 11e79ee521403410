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

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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
  virtual ~KeyedTable() = default;
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
  // One place of the index: part of a key's hash and the number of its first
  // item plus one (0 marks a free place).
  struct Slot {
    std::uint32_t hash;
    std::uint32_t item;
  };

  KeyedItem* Find(std::string_view key, std::uint32_t hash) const;
  void Index(Slot slot);

  static constexpr std::size_t kBlockItems = 1024;
  KeyedItem& Item(std::uint32_t number) const;

  // The items in the order added, in blocks that never move: a file of many
  // short lines costs a few allocations, not one per line, and reading it
  // stays close in memory.
  std::vector<std::unique_ptr<KeyedItem[]>> blocks_;
  std::uint32_t count_ = 0;
  // Open addressing with linear probing, at most half full; the empty key of
  // keyless items has its place like any other. Probing a flat array touches
  // far less memory per lookup than a node-based map, which is what decides
  // the merge's time once a file outgrows the processor's caches.
  std::vector<Slot> index_;
};

}  // namespace setup
