// The attribute dictionary: entries kept in an array of pointers on the kernel
// heap, in the order their keys were first put.
#include "mkcore/MkDictionary.h"

#include <cstring>
#include <new>
#include <utility>

#include "mkres/MwMemory.h"

namespace {

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

MkDictionary::MkDictionary() : entries_(nullptr), count_(0), capacity_(0) {}

MkDictionary::~MkDictionary() { Clear(); }

void MkDictionary::Clear() {
  for (unsigned int i = 0; i < count_; ++i) delete entries_[i];
  MwDelete(entries_);
  entries_ = nullptr;
  count_ = 0;
  capacity_ = 0;
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
  delete source;  // now holding the old contents
  return 1;
}
