// A front end for tests: it records what a run shows, and its pauses take no
// time.
//
// The run's thread calls the operations; the test reads the record, from any
// thread, during or after the run.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "setup/frontend/FrontEnd.h"

namespace setup {

class RecordingFrontEnd : public FrontEnd {
 public:
  void SetLabel(Label label, const char* text) override;
  void SetProgress(int position) override;
  void EnableOk() override;
  // Records the pause and calls the pause hook, if any; returns at once.
  void Pause(unsigned int milliseconds) override;

  // Called on the run's thread at every pause with the number of pauses so
  // far (1 for the first), so a test can change the world between steps.
  void SetPauseHook(std::function<void(int)> hook);

  // What each label shows now.
  std::string LabelText(Label label) const;
  // Every text the status label was given, in order.
  std::vector<std::string> StatusTexts() const;
  // Every progress position set, in order.
  std::vector<int> ProgressPositions() const;
  bool OkEnabled() const;
  // The pauses asked for, in milliseconds, in order.
  std::vector<unsigned int> Pauses() const;

 private:
  mutable std::mutex lock_;
  std::string labels_[3];
  std::vector<std::string> statusTexts_;
  std::vector<int> progress_;
  bool okEnabled_ = false;
  std::vector<unsigned int> pauses_;
  std::function<void(int)> pauseHook_;
};

}  // namespace setup
