// The user type and message steps of an install run.
#include "setup/files/MessageFile.h"
#include "setup/files/UserTypeFile.h"
#include "setup/run/SetupRun.h"

namespace setup {

int SetupRun::MergeUserTypes() {
  if (mode == Mode::Remove) return 0;
  frontEnd_->SetLabel(Label::kSource, sourceUserdef.c_str());
  frontEnd_->SetLabel(Label::kDestination, paths.UserdefPath().c_str());
  frontEnd_->SetLabel(Label::kStatus, Text(kTextUserDatatype));
  if (!MergeUserTypeFile(paths.UserdefPath().c_str(), sourceUserdef.c_str())) {
    Fail(kTextCannotWrite);
    return 0;
  }
  frontEnd_->Pause(kReadablePause);
  return 1;
}

int SetupRun::MergeMessages() {
  frontEnd_->SetLabel(Label::kSource, sourceMessage.c_str());
  frontEnd_->SetLabel(Label::kDestination, paths.MessagePath().c_str());
  frontEnd_->SetLabel(Label::kStatus, Text(kTextUserMessage));
  if (!MergeMessageFile(paths.MessagePath().c_str(), sourceMessage.c_str())) {
    Fail(kTextCannotWrite);
    return 0;
  }
  frontEnd_->Pause(kReadablePause);
  return 1;
}

}  // namespace setup
