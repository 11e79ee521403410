// mkinstall's unattended run, ended abruptly at a chosen step of its file
// writes, as if the program were killed there: nothing is cleaned up.
//
//   mkinstall_stop_at_write_step STEP ARGUMENTS...
//
// The steps of every write are counted from 1 (a new file made, its content
// on the disk, the new file put in place). The exit status is
// kStoppedAtWriteStep when the run was stopped, mkinstall's own otherwise.
#include <cstdlib>

#include "StopAtWriteStep.h"
#include "setup/files/AtomicFile.h"
#include "setup/frontend/Program.h"
#include "setup/texts/CommandLineText.h"

namespace setup {

class AtomicFileTestHelper {
 public:
  static void StopAt(int step) {
    stopAt_ = step;
    AtomicFile::watcher_ = &Watch;
  }

 private:
  static void Watch(AtomicFile::Step) {
    // _Exit runs no destructor and flushes nothing, as a kill would.
    if (++reached_ == stopAt_) std::_Exit(kStoppedAtWriteStep);
  }
  static int stopAt_;
  static int reached_;
};

int AtomicFileTestHelper::stopAt_ = 0;
int AtomicFileTestHelper::reached_ = 0;

namespace {

// An unattended run asks its shell for nothing but a word on bad options.
class SilentShell : public ProgramShell {
 public:
  void ShowUsage(const char*) override {}
  void ShowError(const std::string&) override {}
  FrontEnd* RunFrontEnd() override { return nullptr; }
  int ShowRun(SetupRun*) override { return kExitNotStarted; }
};

}  // namespace
}  // namespace setup

int main(int argc, char** argv) {
  if (argc < 2) return setup::kExitNotStarted;
  setup::AtomicFileTestHelper::StopAt(std::atoi(argv[1]));
  setup::SilentShell shell;
  return setup::RunProgram("-quiet " + setup::JoinArguments(argc - 2, argv + 2), &shell);
}
