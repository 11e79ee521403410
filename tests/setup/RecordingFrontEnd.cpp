#include "RecordingFrontEnd.h"

#include <utility>

namespace setup {

void RecordingFrontEnd::SetLabel(Label label, const char* text) {
  std::lock_guard<std::mutex> guard(lock_);
  labels_[static_cast<int>(label)] = text != nullptr ? text : "";
  if (label == Label::kStatus) statusTexts_.push_back(labels_[static_cast<int>(label)]);
}

void RecordingFrontEnd::SetProgress(int position) {
  std::lock_guard<std::mutex> guard(lock_);
  progress_.push_back(position);
}

void RecordingFrontEnd::EnableOk() {
  std::lock_guard<std::mutex> guard(lock_);
  okEnabled_ = true;
}

void RecordingFrontEnd::Pause(unsigned int milliseconds) {
  std::function<void(int)> hook;
  int count;
  {
    std::lock_guard<std::mutex> guard(lock_);
    pauses_.push_back(milliseconds);
    count = static_cast<int>(pauses_.size());
    hook = pauseHook_;
  }
  if (hook) hook(count);
}

void RecordingFrontEnd::SetPauseHook(std::function<void(int)> hook) {
  std::lock_guard<std::mutex> guard(lock_);
  pauseHook_ = std::move(hook);
}

std::string RecordingFrontEnd::LabelText(Label label) const {
  std::lock_guard<std::mutex> guard(lock_);
  return labels_[static_cast<int>(label)];
}

std::vector<std::string> RecordingFrontEnd::StatusTexts() const {
  std::lock_guard<std::mutex> guard(lock_);
  return statusTexts_;
}

std::vector<int> RecordingFrontEnd::ProgressPositions() const {
  std::lock_guard<std::mutex> guard(lock_);
  return progress_;
}

bool RecordingFrontEnd::OkEnabled() const {
  std::lock_guard<std::mutex> guard(lock_);
  return okEnabled_;
}

std::vector<unsigned int> RecordingFrontEnd::Pauses() const {
  std::lock_guard<std::mutex> guard(lock_);
  return pauses_;
}

}  // namespace setup
