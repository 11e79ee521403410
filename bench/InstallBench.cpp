// Times one mkinstall run with the pauses left out, for scripts/bench: the
// same SetupRun that mkinstall runs, shown through a front end that shows
// nothing and does not wait.
//
//   install_bench COMMAND-LINE
//
// COMMAND-LINE is mkinstall's, for example "-add -in DIR MODULE"; the
// installation is found through the registry as mkinstall finds it. Prints
// "seconds S"; exits with the run's exit code.
#include <chrono>
#include <cstdio>

#include "setup/SetupRun.h"

namespace {

class SilentFrontEnd : public setup::FrontEnd {
 public:
  void SetLabel(setup::Label, const char*) override {}
  void SetProgress(int) override {}
  void EnableOk() override {}
  void Pause(unsigned int) override {}
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s COMMAND-LINE\n", argv[0]);
    return 2;
  }
  SilentFrontEnd frontEnd;
  auto start = std::chrono::steady_clock::now();
  setup::SetupRun run(argv[1], &frontEnd);
  run.Run();
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("seconds %.6f\n", seconds);
  return run.ExitCode();
}
