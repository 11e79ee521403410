#include "padserver/ServerLog.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "padserver/TextRules.h"

namespace padserver {

void LogFailure(const char* what, const std::string& detail) {
  std::string line = "pad server: ";
  line += what;
  line += ": ";
  for (char c : detail) line += IsControl(c) ? '?' : c;
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

void LogSystemFailure(const char* what, const std::string& path) {
  int error = errno;
  LogFailure(what, path + ": " + std::strerror(error));
}

}  // namespace padserver
