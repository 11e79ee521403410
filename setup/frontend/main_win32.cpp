// mkinstall on Windows: a window program that installs a pad module into the
// platform installation, or removes it, showing the run in a dialog.
#include "os/LibrarySearch.h"
#include "os/WindowsUi.h"
#include "setup/frontend/SetupApp.h"
#include "setup/texts/CommandLineText.h"

int main() {
  // mkinstall runs with raised rights, often from a download folder: no
  // library loaded from here on may come from beside the program. A system
  // too old to restrict the search still runs the setup.
  os::RestrictLibrarySearch();
  setup::SetupApp app(GetModuleHandleA(nullptr), setup::UserLanguage());
  // The line as typed: the run reads its quotes itself.
  return setup::RunProgram(setup::TextAfterProgramName(GetCommandLineA()), &app);
}
