// The attribute dictionary: entries kept in an array of pointers on the kernel
// heap, in the order their keys were first put, and found by key through a
// hash index once there are more than a few of them.
#include "mkcore/MkDictionary.h"

#include <cstring>
#include <new>
#include <utility>

#include "mkres/MwMemory.h"

namespace {

// From this many entries on, lookups by key go through the index; below it a
// scan is as quick and a record of a few attributes needs no table.
constexpr unsigned int kIndexedFrom = 16;

// FNV-1a: cheap, and spreads the decimal keys of a list ("0", "1", ...) well.
unsigned int KeyHash(const char* key) {
  unsigned int hash = 2166136261u;
  for (const unsigned char* at = reinterpret_cast<const unsigned char*>(key); *at != 0; ++at) {
    hash = (hash ^ *at) * 16777619u;
  }
  return hash;
}

bool KnownType(int type) {
  switch (type) {
    case kMkTypeDictionary:
    case kMkTypeBool:
    case kMkTypeReal:
    case kMkTypeString:
    case kMkTypeInteger:
    case kMkTypeUnsigned:
      return true;
    default:
      return false;
  }
}

}  // namespace

MkDictionary::MkDictionary()
    : entries_(nullptr), count_(0), capacity_(0), index_(nullptr), indexSlots_(0) {}

MkDictionary::~MkDictionary() { Clear(); }

void MkDictionary::Clear() {
  for (unsigned int i = 0; i < count_; ++i) delete entries_[i];
  MwDelete(entries_);
  entries_ = nullptr;
  count_ = 0;
  capacity_ = 0;
  DropIndex();
}

void MkDictionary::DropIndex() {
  MwDelete(index_);
  index_ = nullptr;
  indexSlots_ = 0;
}

void MkDictionary::PlaceInIndex(MkDictionaryValue* entry) {
  unsigned int mask = indexSlots_ - 1;
  unsigned int slot = KeyHash(entry->key_) & mask;
  while (index_[slot] != nullptr) slot = (slot + 1) & mask;
  index_[slot] = entry;
}

void MkDictionary::RebuildIndex(unsigned int slots) {
  if (slots != indexSlots_) {
    DropIndex();
    if (slots == 0 || slots > 0xFFFFFFFFu / sizeof(MkDictionaryValue*)) return;
    index_ = static_cast<MkDictionaryValue**>(
        MwNew(static_cast<unsigned int>(slots * sizeof(MkDictionaryValue*))));
    if (index_ == nullptr) return;  // lookups scan until a later rebuild succeeds
    indexSlots_ = slots;
  }
  std::memset(index_, 0, indexSlots_ * sizeof(MkDictionaryValue*));
  for (unsigned int i = 0; i < count_; ++i) PlaceInIndex(entries_[i]);
}

MkDictionary* MkDictionary::copy() {
  MkDictionary* result;
  try {
    result = new MkDictionary;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  for (unsigned int i = 0; i < count_; ++i) {
    MkDictionaryValue* entry = entries_[i];
    if (result->PutCopy(entry->key_, &entry->value_, entry->type_) == nullptr) {
      delete result;
      return nullptr;
    }
  }
  return result;
}

MkDictionaryValue* MkDictionary::at(char* key) { return EntryFor(key); }

MkDictionaryValue* MkDictionary::at(unsigned int index) {
  return index < count_ ? entries_[index] : nullptr;
}

unsigned int MkDictionary::length() { return count_; }

MkDictionaryValue* MkDictionary::EntryFor(const char* key) {
  if (key == nullptr) return nullptr;
  if (index_ != nullptr) {
    unsigned int mask = indexSlots_ - 1;
    for (unsigned int slot = KeyHash(key) & mask; index_[slot] != nullptr;
         slot = (slot + 1) & mask) {
      if (std::strcmp(index_[slot]->key_, key) == 0) return index_[slot];
    }
    return nullptr;
  }
  for (unsigned int i = 0; i < count_; ++i) {
    if (std::strcmp(entries_[i]->key_, key) == 0) return entries_[i];
  }
  return nullptr;
}

MkDictionaryValue* MkDictionary::NewEntry(const char* key) {
  MkDictionaryValue* entry;
  try {
    entry = new MkDictionaryValue(key);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  if (entry->key_ == nullptr) {
    delete entry;
    return nullptr;
  }
  return entry;
}

bool MkDictionary::Append(MkDictionaryValue* entry) {
  if (count_ == capacity_) {
    unsigned int capacity = capacity_ == 0 ? 8 : capacity_ * 2;
    if (capacity <= capacity_ || capacity > 0xFFFFFFFFu / sizeof(MkDictionaryValue*)) return false;
    auto* grown = static_cast<MkDictionaryValue**>(
        MwNew(static_cast<unsigned int>(capacity * sizeof(MkDictionaryValue*))));
    if (grown == nullptr) return false;
    if (count_ != 0) std::memcpy(grown, entries_, count_ * sizeof(MkDictionaryValue*));
    MwDelete(entries_);
    entries_ = grown;
    capacity_ = capacity;
  }
  entries_[count_++] = entry;
  // The index stays at most half full; growing it rebuilds it at a quarter.
  if (index_ != nullptr && count_ <= indexSlots_ / 2) {
    PlaceInIndex(entry);
  } else if (count_ >= kIndexedFrom) {
    unsigned int slots = 64;
    while (slots != 0 && slots < 4ull * count_) slots *= 2;  // 0 past 32 bits: no index
    RebuildIndex(slots);
  }
  return true;
}

MkDictionaryValue* MkDictionary::PutCopy(const char* key, const void* address, int type) {
  if (key == nullptr || address == nullptr || !KnownType(type)) return nullptr;
  MkDictionaryValue* entry = EntryFor(key);
  if (entry != nullptr) return entry->AssignCopy(address, type) ? entry : nullptr;
  entry = NewEntry(key);
  if (entry == nullptr) return nullptr;
  if (!entry->AssignCopy(address, type) || !Append(entry)) {
    delete entry;
    return nullptr;
  }
  return entry;
}

MkDictionaryValue* MkDictionary::atPut(char* key, MkDictionary* value) {
  if (value == this) return nullptr;
  MkDictionaryValue* entry = EntryFor(key);
  if (entry != nullptr) {
    // Putting the dictionary an entry already holds must not delete it.
    if (entry->type_ != kMkTypeDictionary || entry->value_.dictionary != value) {
      entry->TakeDictionary(value);
    }
    return entry;
  }
  entry = key != nullptr ? NewEntry(key) : nullptr;
  if (entry == nullptr) {
    delete value;
    return nullptr;
  }
  entry->TakeDictionary(value);
  if (!Append(entry)) {
    delete entry;  // and with it `value`
    return nullptr;
  }
  return entry;
}

MkDictionaryValue* MkDictionary::atPut(char* key, char value) {
  return PutCopy(key, &value, kMkTypeBool);
}

MkDictionaryValue* MkDictionary::atPut(char* key, double value) {
  return PutCopy(key, &value, kMkTypeReal);
}

MkDictionaryValue* MkDictionary::atPut(char* key, char* value) {
  return PutCopy(key, &value, kMkTypeString);
}

MkDictionaryValue* MkDictionary::atPut(char* key, int value) {
  return PutCopy(key, &value, kMkTypeInteger);
}

MkDictionaryValue* MkDictionary::atPut(char* key, void* address, int type) {
  return PutCopy(key, address, type);
}

char MkDictionary::removeKey(char* key) {
  if (key == nullptr) return 0;
  for (unsigned int i = 0; i < count_; ++i) {
    if (std::strcmp(entries_[i]->key_, key) == 0) {
      MkDictionaryValue* entry = entries_[i];
      std::memmove(entries_ + i, entries_ + i + 1, (count_ - i - 1) * sizeof(MkDictionaryValue*));
      --count_;
      delete entry;
      if (count_ < kIndexedFrom) {
        DropIndex();
      } else if (index_ != nullptr) {
        RebuildIndex(indexSlots_);
      }
      return 1;
    }
  }
  return 0;
}

char MkDictionary::merge_dict(MkDictionary* other) {
  if (other == nullptr) return 0;
  // Work from a copy of `other`: its entries then move here whole, and
  // `other` may even be a dictionary nested in this one.
  MkDictionary* source = other->copy();
  if (source == nullptr) return 0;
  char result = 1;
  for (unsigned int i = 0; i < source->count_; ++i) {
    MkDictionaryValue* entry = source->entries_[i];
    MkDictionaryValue* present = EntryFor(entry->key_);
    if (present != nullptr) {
      // Swap values: the old one goes with `source` below.
      std::swap(present->type_, entry->type_);
      std::swap(present->value_, entry->value_);
    } else if (Append(entry)) {
      source->entries_[i] = nullptr;
    } else {
      result = 0;
    }
  }
  delete source;
  return result;
}

char MkDictionary::set_dict(MkDictionary* other) {
  if (other == nullptr) return 0;
  MkDictionary* source = other->copy();
  if (source == nullptr) return 0;
  std::swap(entries_, source->entries_);
  std::swap(count_, source->count_);
  std::swap(capacity_, source->capacity_);
  std::swap(index_, source->index_);
  std::swap(indexSlots_, source->indexSlots_);
  delete source;  // now holding the old contents
  return 1;
}
