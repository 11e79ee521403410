// mkinstall: installs a pad module into the platform installation, or
// removes it, in one unattended run shown on the terminal.
#include <cstdio>
#include <cstring>

#include "os/Console.h"
#include "os/Thread.h"
#include "setup/CommandLineText.h"
#include "setup/ConsoleFrontEnd.h"
#include "setup/SetupRun.h"

namespace {

const char kHelp[] =
    "Usage: mkinstall [-add | -del] [-in DIRECTORY] [MODULE]\n"
    "\n"
    "Installs the pad module MODULE (default \"ppp\") into the platform\n"
    "installation, or removes it.\n"
    "\n"
    "  -add            install (the default): merge nametab.MODULE into the\n"
    "                  installation's nametab.lst, userdef.MODULE into its\n"
    "                  userdef.lst and LANGUAGE.MODULE (english.MODULE or\n"
    "                  japanese.MODULE) into its message file\n"
    "  -del            remove the module's classes from nametab.lst\n"
    "  -in DIRECTORY   the folder that holds the module's files (default: the\n"
    "                  current directory)\n"
    "  --help          show this text\n"
    "\n"
    "The installation is found through the registry (on POSIX, the registry\n"
    "file named by MOSAIKON_REGISTRY, default /etc/mosaikon/registry.reg).\n"
    "Texts are Japanese when the user's language is Japanese (on POSIX, LC_ALL,\n"
    "LC_MESSAGES or LANG beginning with \"ja\"). When standard input is a\n"
    "terminal, the program waits for Enter at the end.\n"
    "\n"
    "Exit status:\n"
    "  0  the run completed\n"
    "  1  the run could not be started\n"
    "  2  file not found: no installation, or a class list could not be read;\n"
    "     nothing was changed\n"
    "  3  cannot write file: a file of the installation could not be written;\n"
    "     it was left as it was, and the run stopped there\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  std::string commandLine = setup::JoinArguments(argc - 1, argv + 1);
  setup::ConsoleFrontEnd frontEnd(stdout, os::StandardInputIsTerminal());
  setup::SetupRun run(commandLine, &frontEnd);

  os::ThreadHandle* worker = os::StartThread(setup::SetupThreadProc, &run);
  if (worker == nullptr) {
    std::fputs("mkinstall: cannot start the setup run\n", stderr);
    return setup::kExitNotStarted;
  }
  // The run always ends: it waits only for its own fixed pauses.
  while (!os::WaitForThread(worker, 1000)) {
  }
  os::ReleaseThread(worker);
  frontEnd.WaitForOk(stdin);
  return run.ExitCode();
}
