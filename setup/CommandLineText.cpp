#include "setup/CommandLineText.h"

#include <cstring>

namespace setup {

std::string JoinArguments(int count, const char* const* arguments) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    std::string argument = arguments[i];
    bool isDirectory = i > 0 && std::strcmp(arguments[i - 1], "-in") == 0;
    if (isDirectory && (argument.empty() || argument.find(' ') != std::string::npos)) {
      argument = "\"" + argument + "\"";
    }
    if (i > 0) text += ' ';
    text += argument;
  }
  return text;
}

}  // namespace setup
