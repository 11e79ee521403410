#include "padserver/RequestBody.h"

#include <algorithm>
#include <cstring>

namespace padserver {

Status CutShort() { return Status::Fail(kBadRequest, "body cut short"); }

Status RequestBody::Failure() const {
  return timedOut_ ? Status::Fail(kRequestTimeout, "body too slow") : CutShort();
}

bool RequestBody::Fill() {
  if (start_ < end_) return true;
  start_ = end_ = 0;
  if (remaining_ == 0 || failed_) return false;
  std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof buffer_, remaining_));
  long got = streams_.Read(buffer_, want, timeoutSeconds_);
  if (got <= 0) {
    timedOut_ = got == RequestStreams::kTimedOut;
    failed_ = true;
    return false;
  }
  end_ = static_cast<std::size_t>(got);
  remaining_ -= static_cast<std::uint64_t>(got);
  return true;
}

long RequestBody::Read(char* buffer, std::size_t size) {
  if (!Fill()) return failed_ ? -1 : 0;
  std::size_t count = std::min(size, end_ - start_);
  std::memcpy(buffer, buffer_ + start_, count);
  start_ += count;
  return static_cast<long>(count);
}

Status RequestBody::ReadAll(std::string& text) {
  text.clear();
  char chunk[65536];
  for (;;) {
    long got = Read(chunk, sizeof chunk);
    if (got < 0) return Failure();
    if (got == 0) return Status::Ok();
    text.append(chunk, static_cast<std::size_t>(got));
  }
}

Status RequestBody::ReadLine(std::size_t limit, const char* tooLong, std::string& line) {
  line.clear();
  for (;;) {
    if (!Fill()) return failed_ ? Failure() : Status::Fail(kBadRequest, "line not ended");
    const char* start = buffer_ + start_;
    // At most the content still allowed and its newline.
    std::size_t available = std::min(end_ - start_, limit - line.size() + 1);
    const char* newline = static_cast<const char*>(std::memchr(start, '\n', available));
    if (newline != nullptr) {
      std::size_t taken = static_cast<std::size_t>(newline - start);
      line.append(start, taken);
      start_ += taken + 1;
      return Status::Ok();
    }
    line.append(start, available);
    start_ += available;
    if (line.size() > limit) return Status::Fail(kBadRequest, tooLong);
  }
}

}  // namespace padserver
