// mkinstall on Windows: a window program that installs a pad module into the
// platform installation, or removes it, showing the run in a dialog.
#include "os/WindowsUi.h"
#include "setup/CommandLineText.h"
#include "setup/SetupApp.h"

int main() {
  setup::SetupApp app(GetModuleHandleA(nullptr), setup::UserLanguage());
  // The line as typed: the run reads its quotes itself.
  return setup::RunProgram(setup::TextAfterProgramName(GetCommandLineA()), &app);
}
