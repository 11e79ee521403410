#include "setup/frontend/LogFrontEnd.h"

#include "os/TextEncoding.h"

namespace setup {

LogFrontEnd::LogFrontEnd(std::FILE* log, FrontEnd* shown) : log_(log), shown_(shown) {}

void LogFrontEnd::SetLabel(Label label, const char* text) {
  std::string value = text != nullptr ? text : "";
  if (label == Label::kSource) {
    source_ = value;
  } else if (label == Label::kDestination) {
    destination_ = value;
  } else {
    std::string line = value + '\t' + source_ + '\t' + destination_;
    std::fprintf(log_, "%s\n", os::SystemTextToUtf8(line).c_str());
    std::fflush(log_);
  }
  shown_->SetLabel(label, text);
}

void LogFrontEnd::SetProgress(int position) { shown_->SetProgress(position); }

void LogFrontEnd::EnableOk() { shown_->EnableOk(); }

void LogFrontEnd::Pause(unsigned int milliseconds) { shown_->Pause(milliseconds); }

}  // namespace setup
