// Reading the command line of a run into its mode and source paths.
#include <cstring>

#include "os/PathSeparator.h"
#include "setup/SetupRun.h"

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

// Reads the directory after "-in " and moves `*cursor` past it: quoted (by
// either quote, closed by either) or up to the next space.
std::string ReadDirectory(const char** cursor) {
  const char* p = *cursor;
  std::string directory;
  if (*p == '"' || *p == '\'') {
    const char* begin = ++p;
    while (*p != '\0' && *p != '"' && *p != '\'') ++p;
    directory.assign(begin, p);
    if (*p != '\0') ++p;
  } else {
    const char* begin = p;
    while (*p != '\0' && *p != ' ') ++p;
    directory.assign(begin, p);
  }
  *cursor = p;
  return directory;
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
    if (std::strncmp(cursor, "-add", 4) == 0) {
      mode = Mode::Install;
      cursor += 4;
    } else if (std::strncmp(cursor, "-del", 4) == 0) {
      mode = Mode::Remove;
      cursor += 4;
    } else if (std::strncmp(cursor, "-in ", 4) == 0) {
      cursor += 4;
      while (*cursor == ' ') ++cursor;
      std::string folder = ReadDirectory(&cursor) + os::kPathSeparator;
      sourceNametab = folder;
      sourceUserdef = folder;
      sourceMessage = folder;
    } else {
      break;
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
