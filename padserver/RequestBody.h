// The body of a request, read from the CGI program's input up to the length
// the request announced. Input that ends before that length makes the body
// cut short: a failure, never a shorter body.
#pragma once

#include <cstdint>
#include <string>

#include "padserver/Status.h"

namespace padserver {

class RequestBody {
 public:
  RequestBody(int fd, std::uint64_t length) : fd_(fd), remaining_(length) {}

  // Whether every announced byte has been read.
  bool Done() const { return remaining_ == 0 && start_ == end_; }

  // The next bytes of the body, at most `size`; 0 at its end, -1 when the
  // input ended or failed before it.
  long Read(char* buffer, std::size_t size);

  // The rest of the body, whole.
  Status ReadAll(std::string& text);

  // The next line, without its newline, when it ends within `limit` bytes;
  // otherwise 400 with the reason `tooLong`, or with "line not ended" or
  // "body cut short" when the body ends first.
  Status ReadLine(std::size_t limit, const char* tooLong, std::string& line);

 private:
  // Refills the buffer; false at the body's end or on failure.
  bool Fill();

  int fd_;
  std::uint64_t remaining_;  // announced bytes not yet read from the input
  bool failed_ = false;
  char buffer_[65536];
  std::size_t start_ = 0;
  std::size_t end_ = 0;
};

// The failure of a body whose input ended early.
Status CutShort();

}  // namespace padserver
