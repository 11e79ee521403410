#include "tools/bazaro/ProgressBar.h"

namespace bazaro {

namespace {

// Redrawn more often than the promised 0.2 s: the loop's slices are not
// exact.
constexpr auto kRedrawPeriod = std::chrono::milliseconds(100);
constexpr int kBarWidth = 24;

// "512 B", "1.5 KiB", "4.0 MiB", ...
std::string Bytes(double bytes) {
  static const char* const kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  int unit = 0;
  while (bytes >= 1024.0 && unit < 4) {
    bytes /= 1024.0;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, kUnits[unit]);
  return text;
}

// "0:07", "12:30", "2:05:00"; "--:--" when it cannot be told.
std::string Duration(double seconds) {
  if (!(seconds >= 0.0) || seconds > 99.0 * 3600.0) return "--:--";
  unsigned long whole = static_cast<unsigned long>(seconds + 0.5);
  char text[32];
  if (whole >= 3600) {
    std::snprintf(text, sizeof text, "%lu:%02lu:%02lu", whole / 3600, whole / 60 % 60, whole % 60);
  } else {
    std::snprintf(text, sizeof text, "%lu:%02lu", whole / 60, whole % 60);
  }
  return text;
}

}  // namespace

std::string FormatProgress(unsigned long long moved, unsigned long long total, double seconds) {
  if (total == 0) return "";
  if (moved > total) moved = total;
  double share = static_cast<double>(moved) / static_cast<double>(total);
  int filled = static_cast<int>(share * kBarWidth);
  double rate = seconds > 0.0 ? static_cast<double>(moved) / seconds : 0.0;
  double left = moved == total ? 0.0
                : rate > 0.0   ? static_cast<double>(total - moved) / rate
                               : -1.0;
  char text[160];
  std::snprintf(text, sizeof text, "[%s%s] %3d%%  %9s / %-9s  %9s/s  %s left",
                std::string(static_cast<std::size_t>(filled), '#').c_str(),
                std::string(static_cast<std::size_t>(kBarWidth - filled), '-').c_str(),
                static_cast<int>(share * 100.0), Bytes(static_cast<double>(moved)).c_str(),
                Bytes(static_cast<double>(total)).c_str(), Bytes(rate).c_str(),
                Duration(left).c_str());
  return text;
}

void ProgressBar::Sample(unsigned long long moved, unsigned long long total,
                         Clock::time_point now) {
  if (finished_) return;
  if (total != 0) total_ = total;
  if (moved > moved_) moved_ = moved;
  if (total_ < kSmallestTotal) return;
  if (!shown_ || now - drawn_ >= kRedrawPeriod) Draw(now);
}

void ProgressBar::Finish(bool completed, Clock::time_point now) {
  if (!shown_ || finished_) return;
  if (completed) moved_ = total_;
  Draw(now);
  std::fputc('\n', out_);
  std::fflush(out_);
  finished_ = true;
}

void ProgressBar::Draw(Clock::time_point now) {
  double seconds = std::chrono::duration<double>(now - start_).count();
  // The frame is wider than the "waiting" line it may replace.
  std::fprintf(out_, "\r%s ", FormatProgress(moved_, total_, seconds).c_str());
  std::fflush(out_);
  shown_ = true;
  drawn_ = now;
}

}  // namespace bazaro
