// One request through the library, the way a pad makes it: the client is
// constructed, told the server and this object as its callback, the request
// is made, and the platform loop runs on this thread until the report comes.
#pragma once

#include <functional>
#include <string>

#include "bazaro/BazaroComm.h"

namespace bazaro {

class ClientSession : public BazaroCommBase {
 public:
  enum Outcome {
    kReported,     // TaskEnd came; the outcome was read inside it
    kRefused,      // the client did not take the request
    kNoReport,     // no report within the bound
    kInterrupted,  // Ctrl-C: the request was cancelled (or never made)
  };

  explicit ClientSession(const std::string& server);
  ~ClientSession() override;
  ClientSession(const ClientSession&) = delete;
  ClientSession& operator=(const ClientSession&) = delete;

  // Makes `request` of the client and runs the loop until it is reported;
  // `onReport` runs inside TaskEnd, the only time the outcome can be read.
  // When stderr is a terminal, a transfer of 1 MiB or more shows a progress
  // bar there, and another request taking longer than a second the time
  // waited. Ctrl-C cancels the request and ends the wait. `bodySize`, when
  // given, is read after the report: the size of the body moved, which the
  // command may know (the file sent, the file fetched) when the transfer
  // ended before its progress could be seen.
  Outcome Run(const std::function<char(BazaroComm&)>& request,
              const std::function<void(BazaroComm&)>& onReport,
              const unsigned long long* bodySize = nullptr);

  // The credentials for this session's server (BazaroComm::SetCredentials):
  // 1 when set, 0 when they cannot be sent.
  char SetCredentials(const std::string& user, const std::string& password);

  void TaskEnd(int type) override;

 private:
  BazaroComm* comm_;
  std::function<void(BazaroComm&)> onReport_;
  bool reported_ = false;
  bool completed_ = false;  // the report named no failure
};

}  // namespace bazaro
