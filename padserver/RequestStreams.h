// Where a request's body comes from and its response goes. Under CGI these
// are the process's standard input and output; a FastCGI responder reads and
// writes the streams of the request it accepted (FastCgiResponder.h). The
// programs see only this interface, so both ways run the same code.
#pragma once

#include <cstddef>
#include <cstdint>

namespace padserver {

class RequestStreams {
 public:
  // What Read returns when no input arrived for the time allowed.
  static constexpr long kTimedOut = -2;

  // Up to `size` bytes of the body, waiting at most `timeoutSeconds` for
  // them: the count read, 0 at the end of the input, -1 when it failed, or
  // kTimedOut.
  virtual long Read(char* buffer, std::size_t size, std::uint64_t timeoutSeconds) = 0;

  // Writes all `size` bytes of the response; false when they could not be.
  virtual bool Write(const char* data, std::size_t size) = 0;

 protected:
  ~RequestStreams() = default;
};

// A request's streams as two open descriptors, which the caller keeps and
// closes: a CGI program's 0 and 1, or files and pipes in tests.
class DescriptorStreams final : public RequestStreams {
 public:
  DescriptorStreams(int input, int output) : input_(input), output_(output) {}

  long Read(char* buffer, std::size_t size, std::uint64_t timeoutSeconds) override;
  bool Write(const char* data, std::size_t size) override;

 private:
  int input_;
  int output_;
};

}  // namespace padserver
