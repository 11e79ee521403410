// What the mkinstall programs share, whatever shows the run: the program's
// own options, the log, the unattended run and the exit status.
#pragma once

#include <string>

#include "setup/frontend/FrontEnd.h"
#include "setup/run/SetupRun.h"

namespace setup {

// How a program shows itself: a console on POSIX, windows on Windows.
class ProgramShell {
 public:
  virtual ~ProgramShell() = default;

  // Shows the usage text (`usage` is the part every program shares).
  virtual void ShowUsage(const char* usage) = 0;
  // Tells the user why the run could not be started.
  virtual void ShowError(const std::string& message) = 0;
  // The front end that shows a run; it lives as long as the shell.
  virtual FrontEnd* RunFrontEnd() = 0;
  // Shows `run`, whose front end is RunFrontEnd (maybe with a log in
  // between), from its start until the user is done with it. Returns the
  // program's exit status.
  virtual int ShowRun(SetupRun* run) = 0;
};

// Runs the program for `commandLine`, the text after its name, and returns
// its exit status. With "-quiet" the shell is asked for nothing: nothing is
// shown, the run does not pause and a failure shows only in the status.
int RunProgram(const std::string& commandLine, ProgramShell* shell);

// Runs `run` on a worker thread and waits for its end. Returns its exit
// status, or kExitNotStarted when no thread could be started.
int RunToEnd(SetupRun* run);

}  // namespace setup
