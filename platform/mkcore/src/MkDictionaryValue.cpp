// One entry of an attribute dictionary: its key, type code and value.
#include <cstring>

#include "KernelText.h"
#include "mkcore/MkDictionary.h"

MkDictionaryValue::MkDictionaryValue(const char* key) : key_(mkcore::CopyText(key)), type_(0) {
  std::memset(&value_, 0, sizeof value_);
}

MkDictionaryValue::~MkDictionaryValue() {
  ClearValue();
  mkcore::FreeText(key_);
}

int MkDictionaryValue::get_type() { return type_; }

// Every member of the union starts at its address, so one address serves
// each type as the header lists it.
void* MkDictionaryValue::get_value() { return type_ == 0 ? nullptr : &value_; }

const char* MkDictionaryValue::get_key() { return key_; }

void MkDictionaryValue::ClearValue() {
  if (type_ == kMkTypeDictionary) {
    delete value_.dictionary;
  } else if (type_ == kMkTypeString) {
    mkcore::FreeText(value_.string);
  }
  type_ = 0;
  std::memset(&value_, 0, sizeof value_);
}

void MkDictionaryValue::TakeDictionary(MkDictionary* dictionary) {
  ClearValue();
  type_ = kMkTypeDictionary;
  value_.dictionary = dictionary;
}

bool MkDictionaryValue::AssignCopy(const void* address, int type) {
  if (address == nullptr) return false;
  // The new value is made before the old one goes: `address` may point into
  // this very entry, or into a dictionary that the old value holds.
  switch (type) {
    case kMkTypeDictionary: {
      MkDictionary* source;
      std::memcpy(&source, address, sizeof source);
      MkDictionary* copy = nullptr;
      if (source != nullptr) {
        copy = source->copy();
        if (copy == nullptr) return false;
      }
      TakeDictionary(copy);
      return true;
    }
    case kMkTypeBool: {
      char boolean;
      std::memcpy(&boolean, address, sizeof boolean);
      ClearValue();
      value_.boolean = boolean;
      break;
    }
    case kMkTypeReal: {
      double real;
      std::memcpy(&real, address, sizeof real);
      ClearValue();
      value_.real = real;
      break;
    }
    case kMkTypeString: {
      const char* source;
      std::memcpy(&source, address, sizeof source);
      char* copy = mkcore::CopyText(source != nullptr ? source : "");
      if (copy == nullptr) return false;
      ClearValue();
      value_.string = copy;
      break;
    }
    case kMkTypeInteger: {
      int integer;
      std::memcpy(&integer, address, sizeof integer);
      ClearValue();
      value_.integer = integer;
      break;
    }
    case kMkTypeUnsigned: {
      unsigned long number;
      std::memcpy(&number, address, sizeof number);
      ClearValue();
      value_.number = number;
      break;
    }
    default:
      return false;
  }
  type_ = type;
  return true;
}
