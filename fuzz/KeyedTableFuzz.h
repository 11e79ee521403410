// Comparing the tables of the user type and message fuzz targets.
#pragma once

#include "setup/files/KeyedTable.h"

namespace fuzz {

// True when both tables hold the same keys and values in the same order.
inline bool SameItems(const setup::KeyedTable& a, const setup::KeyedTable& b) {
  const setup::KeyedItem* x = a.first;
  const setup::KeyedItem* y = b.first;
  for (; x != nullptr && y != nullptr; x = x->next, y = y->next) {
    if (x->key != y->key || x->value != y->value) return false;
  }
  return x == nullptr && y == nullptr;
}

}  // namespace fuzz
