// The writers of command text: attribute assignments, attribute names and
// the positional pad information.
//
// Every piece goes through the bounded formatter (at most 1023 characters),
// and pieces are appended to one 65536-byte buffer only while they fit with
// room for the final newline: a dictionary of any size gives a well-formed
// text. Only the first 1023 characters of a command reach the server anyway.
//
// A dictionary whose text would change the command's shape is refused as a
// whole (null, so that nothing is sent): a key or an owner holding a blank,
// "=", ",", '"', a control character or the terminator byte, or empty; a
// string value holding '"', a control character or the terminator byte.
// Other bytes, those of any code page included, pass unchanged.
#include <cstdarg>
#include <cstring>

#include "kernel/KernelObjects.h"
#include "kernel/KernelResources.h"
#include "kernel/KernelText.h"
#include "os/BoundedFormat.h"
#include "transport/PadServer.h"

namespace {

constexpr unsigned int kTextSize = 65536;
constexpr char kDefaultOwner[] = "guest";

// A writer's text under construction.
class CommandText {
 public:
  CommandText() : text_(static_cast<char*>(MwNew(kTextSize))), end_(0) {
    if (text_ != nullptr) text_[0] = '\0';
  }
  ~CommandText() { MwDelete(text_); }
  CommandText(const CommandText&) = delete;
  CommandText& operator=(const CommandText&) = delete;

  bool Usable() const { return text_ != nullptr; }

  // Formats one piece and appends it when it fits; otherwise drops it.
#if defined(__GNUC__)
  __attribute__((format(printf, 2, 3)))
#endif
  void
  Append(const char* format, ...) {
    if (text_ == nullptr) return;
    char piece[os::kBoundedFormatSize];
    va_list arguments;
    va_start(arguments, format);
    int length = os::FormatBoundedV(piece, format, arguments);
    va_end(arguments);
    if (length <= 0) return;
    // Room stays for the newline and the NUL.
    if (end_ + static_cast<unsigned int>(length) + 2 > kTextSize) return;
    std::memcpy(text_ + end_, piece, static_cast<std::size_t>(length) + 1);
    end_ += static_cast<unsigned int>(length);
  }

  // Ends the text with its newline and hands it over.
  char* Finish() {
    if (text_ == nullptr) return nullptr;
    text_[end_++] = '\n';
    text_[end_] = '\0';
    char* text = text_;
    text_ = nullptr;
    return text;
  }

 private:
  char* text_;
  unsigned int end_;
};

// A control character (a newline ends the command) or the byte that ends the
// request body.
bool IsBreakingByte(unsigned char c) { return c < 0x20 || c == 0x7F || c == 0xFF; }

// Text written bare: a key, or an owner in its position.
bool IsSafeWord(const char* word) {
  if (word[0] == '\0') return false;
  for (const char* p = word; *p != '\0'; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (IsBreakingByte(c) || c == ' ' || c == '=' || c == ',' || c == '"') return false;
  }
  return true;
}

// Text written between quotes.
bool IsSafeQuoted(const char* text) {
  for (const char* p = text; *p != '\0'; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (IsBreakingByte(c) || c == '"') return false;
  }
  return true;
}

// "id" and "pid" travel in the command itself, never as attributes.
bool IsIdentifierKey(const char* key) {
  return std::strcmp(key, "id") == 0 || std::strcmp(key, "pid") == 0;
}

// A real truncated toward zero, held within the range of int.
int TruncatedReal(double real) {
  if (!(real == real)) return 0;  // NaN
  if (real >= 2147483647.0) return 2147483647;
  if (real <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(real);
}

// Whether an entry travels as an assignment: a string only when it holds
// text, a nested dictionary never.
bool IsWritten(MkDictionaryValue* entry) {
  switch (entry->get_type()) {
    case kMkTypeBool:
    case kMkTypeReal:
    case kMkTypeInteger:
    case kMkTypeUnsigned:
      return true;
    case kMkTypeString: {
      const char* string = *static_cast<char**>(entry->get_value());
      return string != nullptr && string[0] != '\0';
    }
    default:
      return false;
  }
}

// False, with the text incomplete, when an entry that would be written is
// unsafe.
bool AppendAssignments(CommandText& text, MkDictionary* dict) {
  if (dict == nullptr) return true;
  unsigned int count = dict->length();
  for (unsigned int index = 0; index < count; ++index) {
    MkDictionaryValue* entry = dict->at(index);
    if (entry == nullptr || entry->get_key() == nullptr) continue;
    const char* key = entry->get_key();
    if (IsIdentifierKey(key) || !IsWritten(entry)) continue;
    if (!IsSafeWord(key)) return false;
    void* value = entry->get_value();
    switch (entry->get_type()) {
      case kMkTypeBool:
        text.Append("%s=%s ", key, *static_cast<char*>(value) == 1 ? "true" : "false");
        break;
      case kMkTypeReal:
        text.Append("%s=%d ", key, TruncatedReal(*static_cast<double*>(value)));
        break;
      case kMkTypeString: {
        const char* string = *static_cast<char**>(value);
        if (!IsSafeQuoted(string)) return false;
        text.Append("%s=\"%s\" ", key, string);
        break;
      }
      case kMkTypeInteger:
        text.Append("%s=%d ", key, *static_cast<int*>(value));
        break;
      case kMkTypeUnsigned:
        text.Append("%s=%lu ", key, *static_cast<unsigned long*>(value));
        break;
      default:
        break;
    }
  }
  return true;
}

// Takes the entry `key` out of `dict`: its integer value when it is an
// integer, otherwise 0. The entry is removed whatever its type, so that it
// travels only in its position.
int TakeInteger(MkDictionary* dict, const char* key) {
  MkDictionaryValue* entry = dict != nullptr ? dict->at(kernel::Text(key)) : nullptr;
  if (entry == nullptr) return 0;
  int number = entry->get_type() == kMkTypeInteger ? *static_cast<int*>(entry->get_value()) : 0;
  dict->removeKey(kernel::Text(key));
  return number;
}

// The same for a string, "guest" when it is absent, empty or not a string.
// The text is copied into `owner` (at most os::kBoundedFormatSize bytes).
// False when the string is not safe to write bare.
bool TakeOwner(MkDictionary* dict, const char* key, char* owner) {
  std::strcpy(owner, kDefaultOwner);
  MkDictionaryValue* entry = dict != nullptr ? dict->at(kernel::Text(key)) : nullptr;
  if (entry == nullptr) return true;
  bool safe = true;
  if (entry->get_type() == kMkTypeString) {
    const char* string = *static_cast<char**>(entry->get_value());
    if (string != nullptr && string[0] != '\0') {
      safe = IsSafeWord(string);
      std::strncpy(owner, string, os::kBoundedFormatSize - 1);
      owner[os::kBoundedFormatSize - 1] = '\0';
    }
  }
  dict->removeKey(kernel::Text(key));
  return safe;
}

}  // namespace

char* PadServer::WriteAttributes(MkDictionary* dict) {
  CommandText text;
  if (!AppendAssignments(text, dict)) return nullptr;
  return text.Finish();
}

char* PadServer::WriteAttributeNames(MkDictionary* dict) {
  CommandText text;
  unsigned int count = dict != nullptr ? dict->length() : 0;
  for (unsigned int index = 0; index < count; ++index) {
    MkDictionaryValue* entry = dict->at(index);
    if (entry == nullptr || entry->get_key() == nullptr) continue;
    if (IsIdentifierKey(entry->get_key())) continue;
    if (!IsSafeWord(entry->get_key())) return nullptr;
    text.Append("%s ", entry->get_key());
  }
  return text.Finish();
}

char* PadServer::WritePadInfo(MkDictionary* dict) {
  CommandText text;
  if (!text.Usable()) return nullptr;
  // The caller's dictionary keeps its entries.
  MkDictionary* copy = dict != nullptr ? dict->copy() : nullptr;
  if (dict != nullptr && copy == nullptr) return nullptr;
  text.Append("%d ", TakeInteger(copy, "x"));
  text.Append("%d ", TakeInteger(copy, "y"));
  char account[os::kBoundedFormatSize];
  char group[os::kBoundedFormatSize];
  bool safe = TakeOwner(copy, "account", account) && TakeOwner(copy, "group", group);
  if (safe) {
    text.Append("%s ", account);  // one piece each: pieces are bounded
    text.Append("%s ", group);
    safe = AppendAssignments(text, copy);
  }
  delete copy;
  return safe ? text.Finish() : nullptr;
}
