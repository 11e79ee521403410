#include "setup/frontend/SetupApp.h"

#include "os/Thread.h"
#include "setup/frontend/SplashWindow.h"

namespace setup {

namespace {

const char kCaption[] = "mkinstall";

const char kWindowNotes[] =
    "\n"
    "The installation is found through the registry. The dialog and its texts\n"
    "are Japanese when the user's interface language is Japanese. The dialog's\n"
    "OK button ends the program once the run is over.";

}  // namespace

SetupApp::SetupApp(HINSTANCE resources, Language language)
    : resources_(resources), dialog_(resources, language) {}

void SetupApp::ShowUsage(const char* usage) {
  std::string text = std::string(usage) + kWindowNotes;
  MessageBoxA(nullptr, text.c_str(), kCaption, MB_OK | MB_ICONINFORMATION);
}

void SetupApp::ShowError(const std::string& message) {
  MessageBoxA(nullptr, message.c_str(), kCaption, MB_OK | MB_ICONERROR);
}

int SetupApp::ShowRun(SetupRun* run) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  SplashWindow::Show(resources_);
  os::SleepMilliseconds(kSplashWait);
  if (dialog_.RunModal(SetupThreadProc, run) != IDOK) {
    ShowError("cannot show the setup dialog");
    return kExitNotStarted;
  }
  return run->ExitCode();
}

}  // namespace setup
