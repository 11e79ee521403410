#include "mkres/MwPath.h"

#include <cstring>

// The name is the path's own copy, taken from the C++ heap: it never crosses
// a library boundary, so it stays out of the kernel heap's count.
MwPath::MwPath(char* name, char* /*other*/) {
  const char* text = name != nullptr ? name : "";
  std::size_t length = std::strlen(text);
  name_ = new char[length + 1];
  std::memcpy(name_, text, length + 1);
}

MwPath::~MwPath() { delete[] name_; }

const char* MwPath::Name() const { return name_; }
