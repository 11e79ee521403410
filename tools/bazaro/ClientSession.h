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
    kReported,  // TaskEnd came; the outcome was read inside it
    kRefused,   // the client did not take the request
    kNoReport,  // no report within the bound
  };

  explicit ClientSession(const std::string& server);
  ~ClientSession() override;
  ClientSession(const ClientSession&) = delete;
  ClientSession& operator=(const ClientSession&) = delete;

  // Makes `request` of the client and runs the loop until it is reported;
  // `onReport` runs inside TaskEnd, the only time the outcome can be read.
  // While the request takes longer than a second, the time waited is shown
  // on stderr when stderr is a terminal.
  Outcome Run(const std::function<char(BazaroComm&)>& request,
              const std::function<void(BazaroComm&)>& onReport);

  void TaskEnd(int type) override;

 private:
  BazaroComm* comm_;
  std::function<void(BazaroComm&)> onReport_;
  bool reported_ = false;
};

}  // namespace bazaro
