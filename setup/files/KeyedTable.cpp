#include "setup/files/KeyedTable.h"

#include <functional>
#include <memory>

namespace setup {

namespace {

std::uint32_t HashOf(std::string_view key) {
  return static_cast<std::uint32_t>(std::hash<std::string_view>()(key));
}

}  // namespace

KeyedItem* KeyedTable::Find(std::string_view key, std::uint32_t hash) const {
  if (index_.empty()) return nullptr;
  const std::size_t mask = index_.size() - 1;
  for (std::size_t place = hash & mask;; place = (place + 1) & mask) {
    const Slot& slot = index_[place];
    if (slot.item == 0) return nullptr;
    if (slot.hash == hash) {
      KeyedItem& item = Item(slot.item);
      if (item.key == key) return &item;
    }
  }
}

KeyedItem& KeyedTable::Item(std::uint32_t number) const {
  return blocks_[(number - 1) / kBlockItems][(number - 1) % kBlockItems];
}

void KeyedTable::Index(Slot slot) {
  if ((count_ + 1) * std::size_t{2} > index_.size()) {
    std::vector<Slot> old(index_.size() < 1024 ? 1024 : index_.size() * 2, Slot{0, 0});
    old.swap(index_);
    for (const Slot& kept : old) {
      if (kept.item != 0) Index(kept);
    }
  }
  const std::size_t mask = index_.size() - 1;
  std::size_t place = slot.hash & mask;
  while (index_[place].item != 0) place = (place + 1) & mask;
  index_[place] = slot;
}

KeyedItem* KeyedTable::FindItem(const char* key) const {
  if (key == nullptr) return nullptr;
  std::string_view wanted(key);
  return Find(wanted, HashOf(wanted));
}

void KeyedTable::SetValue(const char* key, const std::string& value) {
  std::string_view wanted(key != nullptr ? key : "");
  std::uint32_t hash = HashOf(wanted);
  KeyedItem* earlier = Find(wanted, hash);
  if (key != nullptr && earlier != nullptr) {
    earlier->value = value;
    return;
  }
  if (count_ % kBlockItems == 0) blocks_.push_back(std::make_unique<KeyedItem[]>(kBlockItems));
  KeyedItem* item = &Item(++count_);
  item->key = wanted;
  item->value = value;
  // An earlier keyless item keeps the index's place for the empty key.
  if (earlier == nullptr) Index(Slot{hash, count_});
  item->previous = last;
  (last != nullptr ? last->next : first) = item;
  last = item;
}

void KeyedTable::AppendToValue(const char* key, const std::string& text) {
  if (KeyedItem* item = FindItem(key)) item->value += text;
}

}  // namespace setup
