#include "tools/bazaro/ClientSession.h"

#include <chrono>
#include <cstdio>

#include "mkres/MwRunLoop.h"
#include "os/Console.h"

namespace bazaro {

namespace {

// The library bounds every wait of its own; this only guards against a
// report that never comes.
constexpr auto kLongestWait = std::chrono::minutes(30);
constexpr unsigned int kLoopSlice = 20;  // milliseconds

}  // namespace

ClientSession::ClientSession(const std::string& server) : comm_(new BazaroComm) {
  comm_->SetHost(server.c_str());
  comm_->SetPad(this);
}

ClientSession::~ClientSession() { delete comm_; }

ClientSession::Outcome ClientSession::Run(const std::function<char(BazaroComm&)>& request,
                                          const std::function<void(BazaroComm&)>& onReport) {
  if (comm_ == nullptr) return kRefused;
  onReport_ = onReport;
  reported_ = false;
  if (request(*comm_) != 1) return kRefused;

  bool showTime = os::StandardErrorIsTerminal();
  long shownSeconds = 0;
  auto start = std::chrono::steady_clock::now();
  while (!reported_) {
    auto waited = std::chrono::steady_clock::now() - start;
    if (waited > kLongestWait) break;
    long seconds =
        static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(waited).count());
    if (showTime && seconds >= 1 && seconds != shownSeconds) {
      std::fprintf(stderr, "\rwaiting for the server: %ld s ", seconds);
      std::fflush(stderr);
      shownSeconds = seconds;
    }
    MwRunLoop(kLoopSlice);
  }
  if (shownSeconds > 0) std::fprintf(stderr, "\r%30s\r", "");
  return reported_ ? kReported : kNoReport;
}

void ClientSession::TaskEnd(int /*type*/) {
  reported_ = true;
  if (onReport_) onReport_(*comm_);
}

}  // namespace bazaro
