// Reading the command line of a run into its mode and source paths.
#include <cstring>

#include "os/PathSeparator.h"
#include "setup/run/SetupRun.h"
#include "setup/texts/CommandLineText.h"

namespace setup {

namespace {

bool IsWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string Trimmed(const char* text) {
  const char* begin = text;
  while (*begin != '\0' && IsWhiteSpace(*begin)) ++begin;
  const char* end = begin + std::strlen(begin);
  while (end > begin && IsWhiteSpace(end[-1])) --end;
  return std::string(begin, end);
}

}  // namespace

int SetupRun::ParseCommandLine() {
  std::string moduleName = "ppp";
  sourceNametab.clear();
  sourceUserdef.clear();
  sourceMessage.clear();
  mode = Mode::Install;

  const char* cursor = commandLine_.c_str();
  while (*cursor != '\0') {
    while (*cursor == ' ') ++cursor;
    std::string directory;
    RunOption option = ReadRunOption(&cursor, &directory);
    if (option == RunOption::kNone) break;
    if (option == RunOption::kIn) {
      std::string folder = directory + os::kPathSeparator;
      sourceNametab = folder;
      sourceUserdef = folder;
      sourceMessage = folder;
    } else {
      mode = option == RunOption::kAdd ? Mode::Install : Mode::Remove;
    }
  }
  std::string rest = Trimmed(cursor);
  if (!rest.empty()) moduleName = rest;

  sourceNametab += "nametab." + moduleName;
  sourceUserdef += "userdef." + moduleName;
  sourceMessage += Text(kTextLanguagePrefix) + moduleName;

  frontEnd_->SetLabel(Label::kSource, "");
  frontEnd_->SetLabel(Label::kDestination, "");
  return 1;
}

}  // namespace setup
