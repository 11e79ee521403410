// The attribute dictionary: an ordered collection of typed values under keys.
//
// Entries are reached by key (compared exactly, case-sensitive) or by index
// 0 .. length()-1, in the order they were first put. The dictionary copies
// everything it is given (keys, string texts, the numbers behind addresses),
// except a nested dictionary passed by pointer, which it takes over and
// deletes with itself. copy(), merge_dict() and set_dict() copy nested
// dictionaries deeply. Dictionaries are kernel objects (MwObject) and are
// deleted through their virtual destructor.
//
// get_value() returns the address of the stored value:
//   1 kMkTypeDictionary  MkDictionary**   (the nested dictionary pointer)
//   2 kMkTypeBool        char*            (1 true, 0 false)
//   3 kMkTypeReal        double*
//   4 kMkTypeString      char**           (the string pointer)
//   5 kMkTypeInteger     int*
//   7 kMkTypeUnsigned    unsigned long*   (pad identifiers)
#pragma once

#include "mkcore/MkcoreExport.h"
#include "mkres/MwObject.h"

enum {
  kMkTypeDictionary = 1,
  kMkTypeBool = 2,
  kMkTypeReal = 3,
  kMkTypeString = 4,
  kMkTypeInteger = 5,
  kMkTypeUnsigned = 7,
};

class MkDictionary;

class MKCORE_API MkDictionaryValue : public MwObject {
 public:
  MkDictionaryValue(const MkDictionaryValue&) = delete;
  MkDictionaryValue& operator=(const MkDictionaryValue&) = delete;
  virtual ~MkDictionaryValue();

  int get_type();
  void* get_value();
  const char* get_key();

 private:
  friend class MkDictionary;
  // Copies `key`; key_ stays null when memory is exhausted.
  explicit MkDictionaryValue(const char* key);
  void ClearValue();
  // Takes a copy of the value behind `address`, of type `type`. On failure
  // the previous value stays.
  bool AssignCopy(const void* address, int type);
  // Takes over `dictionary` as the value.
  void TakeDictionary(MkDictionary* dictionary);

  char* key_;
  int type_;
  union {
    MkDictionary* dictionary;
    char boolean;
    double real;
    char* string;
    int integer;
    unsigned long number;
  } value_;
};

class MKCORE_API MkDictionary : public MwObject {
 public:
  MkDictionary();
  MkDictionary(const MkDictionary&) = delete;
  MkDictionary& operator=(const MkDictionary&) = delete;
  virtual ~MkDictionary();

  // A new dictionary with the same entries (nested dictionaries copied
  // deeply), owned by the caller; null when memory is exhausted.
  MkDictionary* copy();

  MkDictionaryValue* at(char* key);
  // Null for a null key, a key not present or an index out of range.
  MkDictionaryValue* at(unsigned int index);
  unsigned int length();

  // Each stores a value under `key` and returns the entry (null for a null
  // key). A key already present keeps its place and takes the new value.
  // `value` is taken over even when it cannot be stored (null key, memory
  // exhausted): it is then deleted. A dictionary cannot hold itself.
  MkDictionaryValue* atPut(char* key, MkDictionary* value);  // taken over
  MkDictionaryValue* atPut(char* key, char value);           // type 2
  MkDictionaryValue* atPut(char* key, double value);         // type 3
  MkDictionaryValue* atPut(char* key, char* value);          // type 4, copied; null as ""
  MkDictionaryValue* atPut(char* key, int value);            // type 5
  // Copies the value of type `type` behind `address`, which has the form
  // get_value() returns for that type (type 7: an unsigned long*; type 4: a
  // char**; type 1: an MkDictionary**, whose dictionary is copied deeply), so
  // that atPut(k, e->get_value(), e->get_type()) copies any entry `e`. Null
  // for an unknown type or a null address.
  MkDictionaryValue* atPut(char* key, void* address, int type);

  // Removes the entry under `key`. 1 when there was one.
  char removeKey(char* key);
  // Puts a copy of every entry of `other` into this dictionary; a key both
  // hold takes the value of `other`. `other` stays the caller's. Returns 1;
  // 0 for a null `other` or when memory ran out part way.
  char merge_dict(MkDictionary* other);
  // Replaces the contents of this dictionary with a copy of those of `other`.
  // Returns 1; 0 (contents unchanged) for a null `other` or when memory ran
  // out.
  char set_dict(MkDictionary* other);

 private:
  MkDictionaryValue* EntryFor(const char* key);
  // Stores a copy of the value behind `address` under `key`.
  MkDictionaryValue* PutCopy(const char* key, const void* address, int type);
  // A new entry for `key`, not yet in the dictionary, with no value; null
  // when memory is exhausted.
  static MkDictionaryValue* NewEntry(const char* key);
  bool Append(MkDictionaryValue* entry);
  void Clear();
  // The key index: lookups by key take constant time once a dictionary holds
  // more than a few entries (a pad list holds one per child).
  void PlaceInIndex(MkDictionaryValue* entry);
  void RebuildIndex(unsigned int slots);
  void DropIndex();

  MkDictionaryValue** entries_;
  unsigned int count_;
  unsigned int capacity_;
  // Open-addressed table of the entries by key, a power of two of slots at
  // least twice count_; null while the dictionary is small (or when memory
  // for it ran out: lookups then scan entries_).
  MkDictionaryValue** index_;
  unsigned int indexSlots_;
};
