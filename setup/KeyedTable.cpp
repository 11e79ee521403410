#include "setup/KeyedTable.h"

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
  for (KeyedItem* item = first; item != nullptr; item = item->next) {
    if (item->key == key) return item;
  }
  return nullptr;
}

void KeyedTable::SetValue(const char* key, const std::string& value) {
  if (KeyedItem* item = FindItem(key)) {
    item->value = value;
    return;
  }
  KeyedItem* item = new KeyedItem;
  if (key != nullptr) item->key = key;
  item->value = value;
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
