// The front end of mkinstall on a terminal.
//
// Labels and the progress bar are printed as lines, each when it changes, so
// the output reads the same on a terminal and in a log. In place of the OK
// button the program waits for Enter after the run, and only when its input
// is an interactive terminal.
#pragma once

#include <cstdio>
#include <string>

#include "setup/frontend/FrontEnd.h"

namespace setup {

class ConsoleFrontEnd : public FrontEnd {
 public:
  // Prints to `output`. `interactive`: whether a user can press Enter.
  ConsoleFrontEnd(std::FILE* output, bool interactive);

  void SetLabel(Label label, const char* text) override;
  void SetProgress(int position) override;
  void EnableOk() override;
  void Pause(unsigned int milliseconds) override;

  // Called once the run is over: waits until Enter is pressed on `input`
  // when OK was enabled and the terminal is interactive; otherwise returns
  // at once.
  void WaitForOk(std::FILE* input);

 private:
  std::FILE* output_;
  bool interactive_;
  bool okEnabled_ = false;
  std::string source_;
  std::string destination_;
  int progress_ = 0;
};

}  // namespace setup
