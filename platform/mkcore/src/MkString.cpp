// Platform strings and the kernel's allocation-failure handler.
#include "mkcore/MkString.h"

#include <cstring>

#include "KernelText.h"
#include "mkres/MwMemory.h"

namespace mkcore {

char* CopyText(const char* text) {
  if (text == nullptr) return nullptr;
  std::size_t length = std::strlen(text);
  if (length >= 0xFFFFFFFFu) return nullptr;  // MwNew takes a 32-bit size
  char* copy = static_cast<char*>(MwNew(static_cast<unsigned int>(length + 1)));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, text, length + 1);
  return copy;
}

void FreeText(char* text) { MwDelete(text); }

}  // namespace mkcore

char* NewString(char* s) { return mkcore::CopyText(s); }

void SetNewString(char** p, char* s) {
  if (p == nullptr) return;
  // Copy before freeing: `s` may be the very string at *p. When the copy
  // fails the field ends up null rather than holding a stale text.
  char* copy = mkcore::CopyText(s);
  mkcore::FreeText(*p);
  *p = copy;
}

void FreeString(char** p) {
  if (p == nullptr) return;
  mkcore::FreeText(*p);
}

int MKMemoryErrorHandle_(unsigned int) { return 0; }
