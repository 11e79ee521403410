// mkinstall on POSIX: installs a pad module into the platform installation,
// or removes it, in one unattended run shown on the terminal.
#include <cstdio>

#include "os/Console.h"
#include "setup/frontend/ConsoleFrontEnd.h"
#include "setup/frontend/Program.h"
#include "setup/texts/CommandLineText.h"

namespace {

const char kConsoleNotes[] =
    "\n"
    "The installation is found through the registry file named by\n"
    "MOSAIKON_REGISTRY (default /etc/mosaikon/registry.reg). Texts are Japanese\n"
    "when the user's language is Japanese (LC_ALL, LC_MESSAGES or LANG\n"
    "beginning with \"ja\"). When standard input is a terminal, the program\n"
    "waits for Enter at the end.\n";

// The run shown on the terminal; Enter stands in for the OK button.
class ConsoleShell : public setup::ProgramShell {
 public:
  void ShowUsage(const char* usage) override {
    std::fputs(usage, stdout);
    std::fputs(kConsoleNotes, stdout);
  }
  void ShowError(const std::string& message) override {
    std::fprintf(stderr, "mkinstall: %s\n", message.c_str());
  }
  setup::FrontEnd* RunFrontEnd() override { return &frontEnd_; }
  int ShowRun(setup::SetupRun* run) override {
    int status = setup::RunToEnd(run);
    if (status == setup::kExitNotStarted) {
      ShowError("cannot start the setup run");
      return status;
    }
    frontEnd_.WaitForOk(stdin);
    return status;
  }

 private:
  setup::ConsoleFrontEnd frontEnd_{stdout, os::StandardInputIsTerminal()};
};

}  // namespace

int main(int argc, char** argv) {
  ConsoleShell shell;
  return setup::RunProgram(setup::JoinArguments(argc - 1, argv + 1), &shell);
}
