// mkinstall as a Windows program: the usage and errors in message boxes, and
// a run shown by the splash and then the modal progress dialog.
#pragma once

#include "os/WindowsUi.h"
#include "setup/frontend/Program.h"
#include "setup/frontend/SetupDialog.h"

namespace setup {

class SetupApp : public ProgramShell {
 public:
  // How long the program waits after showing the splash, in milliseconds, so
  // that the splash stays readable.
  static constexpr unsigned int kSplashWait = 700;

  // The dialog, the icon and the splash picture come from `resources`, in
  // `language`. Shows nothing yet.
  SetupApp(HINSTANCE resources, Language language);

  void ShowUsage(const char* usage) override;
  void ShowError(const std::string& message) override;
  FrontEnd* RunFrontEnd() override { return &dialog_; }
  // Starts the common controls, shows the splash, waits kSplashWait and runs
  // the dialog, which starts the run; returns the run's exit status once OK
  // has ended the dialog, or kExitNotStarted when the dialog could not be
  // shown.
  int ShowRun(SetupRun* run) override;

  // The dialog, while the run is shown.
  const SetupDialog& Dialog() const { return dialog_; }

 private:
  HINSTANCE resources_;
  SetupDialog dialog_;
};

}  // namespace setup
