#include "setup/texts/CommandLineText.h"

#include <cstring>

namespace setup {

std::string ReadPathWord(const char** cursor) {
  const char* p = *cursor;
  std::string word;
  if (*p == '"' || *p == '\'') {
    const char* begin = ++p;
    while (*p != '\0' && *p != '"' && *p != '\'') ++p;
    word.assign(begin, p);
    if (*p != '\0') ++p;
  } else {
    const char* begin = p;
    while (*p != '\0' && *p != ' ') ++p;
    word.assign(begin, p);
  }
  *cursor = p;
  return word;
}

RunOption ReadRunOption(const char** cursor, std::string* directory) {
  const char* p = *cursor;
  if (std::strncmp(p, "-add", 4) == 0) {
    *cursor = p + 4;
    return RunOption::kAdd;
  }
  if (std::strncmp(p, "-del", 4) == 0) {
    *cursor = p + 4;
    return RunOption::kDelete;
  }
  if (std::strncmp(p, "-in ", 4) == 0) {
    p += 4;
    while (*p == ' ') ++p;
    *directory = ReadPathWord(&p);
    *cursor = p;
    return RunOption::kIn;
  }
  return RunOption::kNone;
}

std::string JoinArguments(int count, const char* const* arguments) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    std::string argument = arguments[i];
    bool isPath = i > 0 && (std::strcmp(arguments[i - 1], "-in") == 0 ||
                            std::strcmp(arguments[i - 1], "-log") == 0);
    if (isPath && (argument.empty() || argument.find(' ') != std::string::npos)) {
      argument = "\"" + argument + "\"";
    }
    if (i > 0) text += ' ';
    text += argument;
  }
  return text;
}

std::string TextAfterProgramName(const char* commandLine) {
  const char* p = commandLine != nullptr ? commandLine : "";
  if (*p == '"') {
    ++p;
    while (*p != '\0' && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p != '\0' && *p != ' ' && *p != '\t') ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

}  // namespace setup
