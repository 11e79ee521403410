#include "setup/KeyedTable.h"

#include <memory>

namespace setup {

KeyedTable::~KeyedTable() {
  while (first != nullptr) {
    KeyedItem* next = first->next;
    delete first;
    first = next;
  }
  last = nullptr;
}

KeyedItem* KeyedTable::FindItem(const char* key) const {
  if (key == nullptr) return nullptr;
  auto found = index_.find(std::string_view(key));
  return found != index_.end() ? found->second : nullptr;
}

void KeyedTable::SetValue(const char* key, const std::string& value) {
  if (KeyedItem* item = FindItem(key)) {
    item->value = value;
    return;
  }
  std::unique_ptr<KeyedItem> added(new KeyedItem);
  if (key != nullptr) added->key = key;
  added->value = value;
  // Keeps the entry of an earlier item with the same key: only keyless items
  // share one ("").
  index_.emplace(std::string_view(added->key), added.get());
  KeyedItem* item = added.release();
  item->previous = last;
  if (last != nullptr) {
    last->next = item;
  } else {
    first = item;
  }
  last = item;
}

void KeyedTable::AppendToValue(const char* key, const std::string& text) {
  if (KeyedItem* item = FindItem(key)) item->value += text;
}

}  // namespace setup
