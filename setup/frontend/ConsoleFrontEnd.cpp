#include "setup/frontend/ConsoleFrontEnd.h"

#include "os/Thread.h"

namespace setup {

namespace {

constexpr int kBarWidth = 20;

}  // namespace

ConsoleFrontEnd::ConsoleFrontEnd(std::FILE* output, bool interactive)
    : output_(output), interactive_(interactive) {}

void ConsoleFrontEnd::SetLabel(Label label, const char* text) {
  std::string value = text != nullptr ? text : "";
  // The path labels repeat for every class line; print them when they change.
  if (label == Label::kSource || label == Label::kDestination) {
    std::string& shown = label == Label::kSource ? source_ : destination_;
    if (value == shown) return;
    shown = value;
    if (value.empty()) return;
    std::fprintf(output_, "%s %s\n", label == Label::kSource ? "Src: " : "Dest:", value.c_str());
  } else {
    if (value.empty()) return;
    std::fprintf(output_, "%s\n", value.c_str());
  }
  std::fflush(output_);
}

void ConsoleFrontEnd::SetProgress(int position) {
  if (position < 0) position = 0;
  if (position > 100) position = 100;
  if (position == progress_) return;
  progress_ = position;
  int filled = position * kBarWidth / 100;
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.append(static_cast<std::size_t>(kBarWidth - filled), ' ');
  std::fprintf(output_, "[%s] %3d%%\n", bar.c_str(), position);
  std::fflush(output_);
}

void ConsoleFrontEnd::EnableOk() {
  okEnabled_ = true;
  if (interactive_) {
    std::fprintf(output_, "[OK] Press Enter to close.\n");
    std::fflush(output_);
  }
}

void ConsoleFrontEnd::Pause(unsigned int milliseconds) { os::SleepMilliseconds(milliseconds); }

void ConsoleFrontEnd::WaitForOk(std::FILE* input) {
  if (!okEnabled_ || !interactive_) return;
  int c;
  while ((c = std::fgetc(input)) != EOF && c != '\n') {
  }
}

}  // namespace setup
