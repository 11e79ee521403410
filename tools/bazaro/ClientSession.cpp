#include "tools/bazaro/ClientSession.h"

#include <chrono>
#include <cstdio>

#include "mkres/MwRunLoop.h"
#include "os/Console.h"
#include "tools/bazaro/Interruption.h"
#include "tools/bazaro/ProgressBar.h"

namespace bazaro {

namespace {

// The library bounds every wait of its own; this only guards against a
// report that never comes.
constexpr auto kLongestWait = std::chrono::minutes(30);
// A cancelled task is reported at the next tick; this bounds the wait for it.
constexpr auto kLongestCancelWait = std::chrono::seconds(10);
constexpr unsigned int kLoopSlice = 20;  // milliseconds

}  // namespace

ClientSession::ClientSession(const std::string& server) : comm_(new BazaroComm) {
  comm_->SetHost(server.c_str());
  comm_->SetPad(this);
}

ClientSession::~ClientSession() { delete comm_; }

ClientSession::Outcome ClientSession::Run(const std::function<char(BazaroComm&)>& request,
                                          const std::function<void(BazaroComm&)>& onReport,
                                          const unsigned long long* bodySize) {
  if (comm_ == nullptr) return kRefused;
  if (Interrupted()) return kInterrupted;
  onReport_ = onReport;
  reported_ = false;
  completed_ = false;
  if (request(*comm_) != 1) return kRefused;

  bool onTerminal = os::StandardErrorIsTerminal();
  auto start = std::chrono::steady_clock::now();
  ProgressBar bar(stderr, start);
  long shownSeconds = 0;
  bool cancelled = false;
  auto cancelledAt = start;
  while (!reported_) {
    auto now = std::chrono::steady_clock::now();
    if (Interrupted() && !cancelled) {
      comm_->Cancel();
      cancelled = true;
      cancelledAt = now;
    }
    if (now - start > kLongestWait || (cancelled && now - cancelledAt > kLongestCancelWait)) break;
    if (onTerminal && !cancelled) {
      unsigned long long moved = 0, total = 0;
      if (comm_->QueryProgress(&moved, &total) == 1) bar.Sample(moved, total, now);
      long seconds =
          static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(now - start).count());
      // The bar, once drawn, says more than the time waited.
      if (!bar.Shown() && seconds >= 1 && seconds != shownSeconds) {
        std::fprintf(stderr, "\rwaiting for the server: %ld s ", seconds);
        std::fflush(stderr);
        shownSeconds = seconds;
      }
    }
    MwRunLoop(kLoopSlice);
  }
  auto end = std::chrono::steady_clock::now();
  if (onTerminal && completed_ && !cancelled && bodySize != nullptr) {
    bar.Sample(*bodySize, *bodySize, end);
  }
  if (bar.Shown()) {
    bar.Finish(completed_ && !cancelled, end);
  } else if (shownSeconds > 0) {
    std::fprintf(stderr, "\r%30s\r", "");
  }
  if (cancelled || Interrupted()) return kInterrupted;
  return reported_ ? kReported : kNoReport;
}

char ClientSession::SetCredentials(const std::string& user, const std::string& password) {
  return comm_ != nullptr ? comm_->SetCredentials(user.c_str(), password.c_str()) : 0;
}

void ClientSession::TaskEnd(int /*type*/) {
  reported_ = true;
  completed_ = comm_->QueryResultReason() == kReasonNone;
  if (onReport_) onReport_(*comm_);
}

}  // namespace bazaro
