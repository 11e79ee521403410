#include "setup/frontend/Program.h"

#include <cstdio>
#include <memory>

#include "os/Thread.h"
#include "setup/frontend/LogFrontEnd.h"
#include "setup/texts/ProgramOptions.h"

namespace setup {

namespace {

// Shows nothing and takes no time: the front end of an unattended run.
class QuietFrontEnd : public FrontEnd {
 public:
  void SetLabel(Label, const char*) override {}
  void SetProgress(int) override {}
  void EnableOk() override {}
  void Pause(unsigned int) override {}
};

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// A run waits only for its own pauses; this bounds each wait for its end.
constexpr unsigned int kWaitStep = 1000;

}  // namespace

int RunToEnd(SetupRun* run) {
  os::ThreadHandle* worker = os::StartThread(SetupThreadProc, run);
  if (worker == nullptr) return kExitNotStarted;
  while (!os::WaitForThread(worker, kWaitStep)) {
  }
  os::ReleaseThread(worker);
  return run->ExitCode();
}

int RunProgram(const std::string& commandLine, ProgramShell* shell) {
  ProgramOptions options = ReadProgramOptions(commandLine);
  if (options.help) {
    shell->ShowUsage(UsageText());
    return kExitCompleted;
  }
  if (!options.error.empty()) {
    if (!options.quiet) shell->ShowError(options.error);
    return kExitNotStarted;
  }

  std::unique_ptr<std::FILE, FileCloser> log;
  if (!options.logPath.empty()) {
    log.reset(std::fopen(options.logPath.c_str(), "w"));
    if (!log) {
      if (!options.quiet) shell->ShowError("cannot write the log " + options.logPath);
      return kExitNotStarted;
    }
  }

  QuietFrontEnd quiet;
  FrontEnd* shown = options.quiet ? &quiet : shell->RunFrontEnd();
  LogFrontEnd logged(log.get(), shown);
  SetupRun run(options.runCommandLine, log ? &logged : shown);
  return options.quiet ? RunToEnd(&run) : shell->ShowRun(&run);
}

}  // namespace setup
