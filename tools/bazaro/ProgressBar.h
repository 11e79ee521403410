// The progress bar bazaro draws on a terminal while a transfer runs: one
// line, redrawn in place, with the share done, the bytes moved and their
// total, the rate and the time left.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

namespace bazaro {

// One frame of the bar for `moved` of `total` bytes (total > 0), `seconds`
// after the transfer started, e.g.
// "[#########---------------]  37%   1.5 MiB / 4.0 MiB   2.0 MiB/s  0:01 left".
std::string FormatProgress(unsigned long long moved, unsigned long long total, double seconds);

class ProgressBar {
 public:
  using Clock = std::chrono::steady_clock;

  // Smaller transfers end too soon for a bar to help.
  static constexpr unsigned long long kSmallestTotal = 1ull << 20;

  // Draws on `out`, which the caller has found to be a terminal; rates count
  // from `start`, when the request was made.
  ProgressBar(std::FILE* out, Clock::time_point start) : out_(out), start_(start) {}

  // A sample of the running transfer (total 0 while unknown): the first
  // frame once a total of kSmallestTotal or more is known, then one at
  // least every 0.2 s.
  void Sample(unsigned long long moved, unsigned long long total, Clock::time_point now);
  // The last frame and the end of its line, when a frame was drawn; a
  // transfer that `completed` shows its whole total.
  void Finish(bool completed, Clock::time_point now);
  // True once a frame is on the screen and its line not yet ended.
  bool Shown() const { return shown_ && !finished_; }

 private:
  void Draw(Clock::time_point now);

  std::FILE* out_;
  bool shown_ = false;
  bool finished_ = false;
  unsigned long long moved_ = 0;
  unsigned long long total_ = 0;
  Clock::time_point start_;
  Clock::time_point drawn_;
};

}  // namespace bazaro
