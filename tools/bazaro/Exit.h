// How bazaro ends: its exit statuses and the messages that go with them.
#pragma once

#include <string>
#include <utility>

namespace bazaro {

enum ExitStatus {
  kDone = 0,
  kUsage = 1,          // bad command line, or a request the client refused
  kServerFailed = 2,   // the server could not be reached or did not do it
  kLocalFile = 3,      // a local file could not be read or written
  kInterrupted = 130,  // Ctrl-C, as shells report a program ended by SIGINT
};

// A failure to report: its status, the message naming what was involved,
// and what to try (may be empty).
struct Failure {
  Failure(ExitStatus status, std::string message, std::string hint = "")
      : status(status), message(std::move(message)), hint(std::move(hint)) {}

  ExitStatus status;
  std::string message;
  std::string hint;
};

// Prints "bazaro: <message>" and "bazaro: <hint>" on stderr (a local file's
// failure gets the local-file hint when it has none) and returns `status`.
int Report(const Failure& failure);

}  // namespace bazaro
