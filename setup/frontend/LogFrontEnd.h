// A front end that writes a run's status texts to a log and passes every
// operation on to the front end that shows the run.
//
// Each status text becomes one UTF-8 line: the text, the source label and the
// destination label as they stand, separated by tabs. The line is flushed at
// once, so the log is whole up to the last step even if the program is cut
// off. The run's worker thread is the only one to call it.
#pragma once

#include <cstdio>
#include <string>

#include "setup/frontend/FrontEnd.h"

namespace setup {

class LogFrontEnd : public FrontEnd {
 public:
  // `log` is open for writing and `shown` shows the run; both belong to the
  // caller and must outlive this object.
  LogFrontEnd(std::FILE* log, FrontEnd* shown);

  void SetLabel(Label label, const char* text) override;
  void SetProgress(int position) override;
  void EnableOk() override;
  void Pause(unsigned int milliseconds) override;

 private:
  std::FILE* log_;
  FrontEnd* shown_;
  std::string source_;
  std::string destination_;
};

}  // namespace setup
