// The reader of the pad server's reply text.
//
// Its rules decide what the client makes of real server replies, including
// the ones that look odd: blanks before "=" belong to the key, a comma right
// behind an unquoted value is that value's delimiter (so "id=12,id=13" is one
// record), a quoted value without its closing quote loses its last character,
// and only the exact text "true" is true.
//
// A list of many records is read in one pass: the text is trimmed once, and
// each later pair or record only steps over the blanks in front of it (its
// back is the trimmed text's end, so trimming it again would change nothing).
#include <cstdio>
#include <cstring>
#include <memory>

#include "kernel/KernelObjects.h"
#include "kernel/KernelResources.h"
#include "kernel/KernelText.h"
#include "protocol/KernelBuffer.h"
#include "transport/PadServer.h"

namespace {

// A new kernel-heap copy of the `length` characters at `start`.
char* CopyText(const char* start, std::size_t length) {
  char* copy = static_cast<char*>(MwNew(static_cast<unsigned int>(length + 1)));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, start, length);
  copy[length] = '\0';
  return copy;
}

// Stores `valueText` under `key` as the type the table gives the key.
void StoreValue(MkDictionary* record, MkDictionary* types, char* key, const char* valueText) {
  MkDictionaryValue* known = types != nullptr ? types->at(key) : nullptr;
  switch (known != nullptr ? known->get_type() : kMkTypeString) {
    case kMkTypeBool:
      record->atPut(key, static_cast<char>(std::strcmp(valueText, "true") == 0 ? 1 : 0));
      break;
    case kMkTypeReal: {
      int number = 0;
      std::sscanf(valueText, "%d", &number);
      record->atPut(key, static_cast<double>(number));
      break;
    }
    case kMkTypeInteger: {
      int number = 0;
      std::sscanf(valueText, "%d", &number);
      record->atPut(key, number);
      break;
    }
    case kMkTypeUnsigned: {
      unsigned long number = 0;
      std::sscanf(valueText, "%lu", &number);
      record->atPut(key, &number, kMkTypeUnsigned);
      break;
    }
    default:
      record->atPut(key, kernel::Text(valueText));
      break;
  }
}

// The characters the kernel's trim removes, asked of the kernel once.
class BlankSet {
 public:
  BlankSet() {
    for (int c = 1; c < 256; ++c) {
      char probe[2] = {static_cast<char>(c), '\0'};
      MwDelSpaceFrontBack(probe);
      blank_[c] = probe[0] == '\0';
    }
  }
  // `text` past the blanks at its front.
  char* Skip(char* text) const {
    while (blank_[static_cast<unsigned char>(*text)]) ++text;
    return text;
  }

 private:
  bool blank_[256] = {};
};

char* SkipBlanks(char* text) {
  static const BlankSet kBlanks;
  return kBlanks.Skip(text);
}

// ParsePair on a text whose back is already trimmed.
char* ReadPair(char* text, char*& key, char*& value) {
  key = nullptr;
  value = nullptr;
  text = SkipBlanks(text);
  char* equals = std::strchr(text, '=');
  if (equals == nullptr) return text + std::strlen(text);

  char* valueStart = equals + 1;
  const char* valueEnd;
  char* cursor;
  if (*valueStart == '"') {
    ++valueStart;
    char* closing = std::strchr(valueStart, '"');
    if (closing != nullptr) {
      valueEnd = closing;
      cursor = closing + 1;
    } else {
      cursor = valueStart + std::strlen(valueStart);
      valueEnd = cursor > valueStart ? cursor - 1 : cursor;
    }
  } else {
    char* delimiter = std::strpbrk(valueStart, " ,");
    if (delimiter != nullptr) {
      valueEnd = delimiter;
      cursor = delimiter + 1;
    } else {
      cursor = valueStart + std::strlen(valueStart);
      valueEnd = cursor;
    }
  }

  key = CopyText(text, static_cast<std::size_t>(equals - text));
  value = CopyText(valueStart, static_cast<std::size_t>(valueEnd - valueStart));
  if (key == nullptr || value == nullptr) {
    // Out of memory: reported as no pair, which ends the record.
    MwDelete(key);
    MwDelete(value);
    key = nullptr;
    value = nullptr;
    return text + std::strlen(text);
  }
  return cursor;
}

// ParseRecord on a text whose back is already trimmed. The dictionaries are
// held by scope guards while they are filled: the kernel reports exhausted
// memory by throwing, and nothing may leak then.
MkDictionary* ReadRecord(MkDictionary* types, char*& cursor) {
  std::unique_ptr<MkDictionary> record(new MkDictionary());
  cursor = SkipBlanks(cursor);
  while (*cursor != '\0' && *cursor != ',') {
    char* key = nullptr;
    char* value = nullptr;
    cursor = ReadPair(cursor, key, value);
    if (key == nullptr) break;
    protocol::KernelBuffer ownedKey(key);
    protocol::KernelBuffer ownedValue(value);
    StoreValue(record.get(), types, key, value);
  }
  if (*cursor == ',') ++cursor;
  return record.release();
}

}  // namespace

char* PadServer::ParsePair(char* text, char*& key, char*& value) {
  MwDelSpaceFrontBack(text);
  return ReadPair(text, key, value);
}

MkDictionary* PadServer::ParseRecord(char*& cursor) {
  MwDelSpaceFrontBack(cursor);
  return ReadRecord(attributeTypes, cursor);
}

MkDictionary* PadServer::ParseList(char* text) {
  std::unique_ptr<MkDictionary> list(new MkDictionary());
  MwDelSpaceFrontBack(text);
  char* cursor = text;
  for (int index = 0;; ++index) {
    std::unique_ptr<MkDictionary> record(ReadRecord(attributeTypes, cursor));
    if (record->length() == 0) break;
    char key[16];
    std::snprintf(key, sizeof key, "%d", index);
    list->atPut(key, record.release());  // taken over even when not stored
  }
  return list.release();
}
