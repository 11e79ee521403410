// Times one mkinstall run with the pauses left out, for scripts/bench: the
// same SetupRun that mkinstall runs, shown through a front end that shows
// nothing and does not wait.
//
//   install_bench COMMAND-LINE
//
// COMMAND-LINE is mkinstall's, for example "-add -in DIR MODULE"; the
// installation is found through the registry as mkinstall finds it. Prints
// "step N S SOURCE" for each step (1 the class list, 2 the user types, 3 the
// messages, as far as the run got), then "seconds S" for the whole run;
// exits with the run's exit code.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "setup/run/SetupRun.h"

namespace {

using Clock = std::chrono::steady_clock;

// Notes when each step begins: a step shows its source file, and the next
// step shows another one. The first step begins with the run, since it reads
// its files before it shows anything.
class SilentFrontEnd : public setup::FrontEnd {
 public:
  void SetLabel(setup::Label label, const char* text) override {
    if (label != setup::Label::kSource || text == nullptr || text[0] == '\0') return;
    if (!sources_.empty() && sources_.back() == text) return;
    sources_.push_back(text);
    if (sources_.size() > 1) begins_.push_back(Clock::now());
  }
  void SetProgress(int) override {}
  void EnableOk() override {}
  void Pause(unsigned int) override {}

  // Prints the steps' times; the last step ends at `end`.
  void Report(Clock::time_point start, Clock::time_point end) const {
    for (std::size_t step = 0; step < sources_.size(); ++step) {
      Clock::time_point from = step == 0 ? start : begins_[step - 1];
      Clock::time_point to = step < begins_.size() ? begins_[step] : end;
      std::printf("step %zu %.6f %s\n", step + 1, std::chrono::duration<double>(to - from).count(),
                  sources_[step].c_str());
    }
  }

 private:
  std::vector<std::string> sources_;
  std::vector<Clock::time_point> begins_;  // of the second step on
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s COMMAND-LINE\n", argv[0]);
    return 2;
  }
  SilentFrontEnd frontEnd;
  auto start = Clock::now();
  setup::SetupRun run(argv[1], &frontEnd);
  run.Run();
  auto end = Clock::now();
  frontEnd.Report(start, end);
  std::printf("seconds %.6f\n", std::chrono::duration<double>(end - start).count());
  return run.ExitCode();
}
