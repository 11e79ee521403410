// The body of a request, read from the request's input up to the length
// the request announced. Input that ends before that length makes the body
// cut short: a failure, never a shorter body. Input that stalls for the
// body's time-out ends it too, so that a client that stops sending does not
// hold its program for ever.
#pragma once

#include <cstdint>
#include <string>

#include "padserver/RequestStreams.h"
#include "padserver/Status.h"

namespace padserver {

class RequestBody {
 public:
  // `timeoutSeconds` bounds each wait for more input.
  RequestBody(RequestStreams& streams, std::uint64_t length, std::uint64_t timeoutSeconds)
      : streams_(streams), remaining_(length), timeoutSeconds_(timeoutSeconds) {}

  // Whether every announced byte has been read.
  bool Done() const { return remaining_ == 0 && start_ == end_; }

  // The next bytes of the body, at most `size`; 0 at its end, -1 when the
  // input ended, stalled or failed before it (Failure() says which).
  long Read(char* buffer, std::size_t size);

  // Why the body could not be read: 408 when it stalled, 400 otherwise.
  Status Failure() const;

  // The rest of the body, whole.
  Status ReadAll(std::string& text);

  // The next line, without its newline, when it ends within `limit` bytes;
  // otherwise 400 with the reason `tooLong`, or with "line not ended" or
  // "body cut short" when the body ends first.
  Status ReadLine(std::size_t limit, const char* tooLong, std::string& line);

 private:
  // Refills the buffer; false at the body's end or on failure.
  bool Fill();

  RequestStreams& streams_;
  std::uint64_t remaining_;  // announced bytes not yet read from the input
  std::uint64_t timeoutSeconds_;
  bool failed_ = false;
  bool timedOut_ = false;
  char buffer_[65536];
  std::size_t start_ = 0;
  std::size_t end_ = 0;
};

// The failure of a body whose input ended early.
Status CutShort();

}  // namespace padserver
