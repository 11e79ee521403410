// What every fuzz target shares.
//
// A failed check prints what failed and traps, which libFuzzer reports as a
// crash and keeps the input for. LiveBlockScope checks, around one input,
// that the kernel heap got back every block it handed out. Readers that take
// a path read the input from a file in the process's scratch directory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : fuzz::Fail(#condition, __FILE__, __LINE__))

namespace fuzz {

[[noreturn]] void Fail(const char* what, const char* file, int line);

class LiveBlockScope {
 public:
  LiveBlockScope();
  ~LiveBlockScope();
  LiveBlockScope(const LiveBlockScope&) = delete;
  LiveBlockScope& operator=(const LiveBlockScope&) = delete;

 private:
  long start_;
};

// The path of `name` in a directory of this process's own, removed when the
// process exits normally.
std::string ScratchFile(const std::string& name);

// Writes the input to the scratch file `name` and returns its path.
std::string WriteScratchFile(const std::string& name, const std::uint8_t* data, std::size_t size);

// The input as text up to its first NUL, as a C string would hold it.
std::string TextOf(const std::uint8_t* data, std::size_t size);

// False when the input holds a NUL byte, which no text file of the platform
// holds: the text file readers and writers take it as the end of a text.
bool IsText(const std::uint8_t* data, std::size_t size);

}  // namespace fuzz
