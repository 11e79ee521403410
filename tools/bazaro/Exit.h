// How bazaro ends: its exit statuses and the messages that go with them.
#pragma once

#include <string>

namespace bazaro {

enum ExitStatus {
  kDone = 0,
  kUsage = 1,         // bad command line, or a request the client refused
  kServerFailed = 2,  // the server could not be reached or did not do it
  kLocalFile = 3,     // a local file could not be read or written
};

// A failure to report: its status and the message naming what was involved.
struct Failure {
  ExitStatus status;
  std::string message;
};

// Prints "bazaro: <message>" on stderr and returns `status`.
int Report(const Failure& failure);

}  // namespace bazaro
