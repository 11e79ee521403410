#include "FuzzSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "ScratchDirectory.h"
#include "mkres/MwMemory.h"

namespace fuzz {

void Fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", what, file, line);
  std::fflush(stderr);
  __builtin_trap();
}

LiveBlockScope::LiveBlockScope() : start_(MwLiveBlockCount()) {}

LiveBlockScope::~LiveBlockScope() {
  long end = MwLiveBlockCount();
  if (end != start_) {
    std::fprintf(stderr, "kernel heap: %ld live blocks before the input, %ld after\n", start_, end);
    Fail("live-block count returns to where it was", __FILE__, __LINE__);
  }
}

std::string ScratchFile(const std::string& name) {
  // Made on first use and removed with the process's static objects.
  static ScratchDirectory directory;
  return directory.File(name);
}

std::string WriteScratchFile(const std::string& name, const std::uint8_t* data, std::size_t size) {
  std::string path = ScratchFile(name);
  bool written = WriteWholeFile(path, std::string(reinterpret_cast<const char*>(data), size));
  FUZZ_CHECK(written);
  return path;
}

std::string TextOf(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  return text.substr(0, text.find('\0'));
}

bool IsText(const std::uint8_t* data, std::size_t size) {
  return std::find(data, data + size, 0) == data + size;
}

}  // namespace fuzz
