// The run's sequence, its end and its outcome.
#include "setup/run/SetupRun.h"

namespace setup {

SetupRun::SetupRun(const std::string& commandLine, FrontEnd* frontEnd)
    : SetupRun(commandLine, frontEnd, UserLanguage()) {}

SetupRun::SetupRun(const std::string& commandLine, FrontEnd* frontEnd, Language language)
    : paths(language), commandLine_(commandLine), frontEnd_(frontEnd), language_(language) {}

void SetupRun::Fail(int textId) {
  failure_ = textId;
  frontEnd_->SetLabel(Label::kStatus, Text(textId));
  frontEnd_->Pause(kReadablePause);
}

int SetupRun::FinishRun() {
  // A failure keeps its text: the completion text would report success.
  if (failure_ == 0) {
    frontEnd_->SetLabel(Label::kStatus,
                        Text(mode == Mode::Install ? kTextSetupCompleted : kTextUnsetupCompleted));
  }
  frontEnd_->EnableOk();
  return 1;
}

void SetupRun::Run() {
  ParseCommandLine();
  if (RegisterClasses() && MergeUserTypes()) MergeMessages();
  FinishRun();
}

int SetupRun::ExitCode() const {
  switch (failure_) {
    case 0:
      return kExitCompleted;
    case kTextFileNotFound:
      return kExitFileNotFound;
    default:
      return kExitCannotWrite;
  }
}

unsigned long SetupThreadProc(void* argument) {
  static_cast<SetupRun*>(argument)->Run();
  return 1;
}

}  // namespace setup
