// The user type and message steps of an install run.
#include "setup/files/MessageFile.h"
#include "setup/files/UserTypeFile.h"
#include "setup/run/SetupRun.h"

namespace setup {

int SetupRun::Merge(const std::string& source, const std::string& destination, int statusId,
                    bool (*merge)(const char* destination, const char* source)) {
  frontEnd_->SetLabel(Label::kSource, source.c_str());
  frontEnd_->SetLabel(Label::kDestination, destination.c_str());
  frontEnd_->SetLabel(Label::kStatus, Text(statusId));
  if (!merge(destination.c_str(), source.c_str())) {
    Fail(kTextCannotWrite);
    return 0;
  }
  frontEnd_->Pause(kReadablePause);
  return 1;
}

int SetupRun::MergeUserTypes() {
  if (mode == Mode::Remove) return 0;
  return Merge(sourceUserdef, paths.UserdefPath(), kTextUserDatatype, MergeUserTypeFile);
}

int SetupRun::MergeMessages() {
  return Merge(sourceMessage, paths.MessagePath(), kTextUserMessage, MergeMessageFile);
}

}  // namespace setup
