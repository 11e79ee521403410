#include "client/WorkerFrame.h"

#include "bazaro/HostInfo.h"
#include "client/ReasonText.h"
#include "client/Task.h"
#include "client/WorkerRun.h"

namespace client {

WorkerFrame::WorkerFrame(WorkerRun* run)
    : run_(run), task_(run->QueryTask()), outcome_(run->QueryResult()) {
  HostInfo* host = task_->Host();
  if (host != nullptr) {
    server_.SetServer(host->Host(), host->Port(), host->Path());
    if (host->Secure()) server_.SetTls(true, run->TrustFiles());
  }
  if (run->UseProxy()) {
    PadServer::SetProxy(run->ProxyHost(), run->ProxyPort(), run->ProxyPattern());
  }
  // A run already cut off refuses the registration: the worker then makes
  // no connection at all.
  if (!run->SetShutdown(CutOffServer, &server_)) server_.CutOff();
}

WorkerFrame::~WorkerFrame() {
  if (run_ != nullptr) run_->ClearShutdown();
}

void WorkerFrame::End() {
  if (run_ == nullptr) return;
  // The registration goes first: once it is withdrawn nothing outside this
  // thread reaches the server, which the frame closes after the signal.
  run_->ClearShutdown();
  // A handshake that failed failed the request: the outcome says why.
  os::TlsFailure failure = server_.LastTlsFailure();
  if (failure != os::TlsFailure::kNone) {
    outcome_->SetReason(TlsReason(failure), static_cast<int>(failure));
  }
  WorkerRun* run = run_;
  run_ = nullptr;
  task_ = nullptr;
  outcome_ = nullptr;
  run->ThreadEnd();
}

void WorkerFrame::CutOffServer(void* server) { static_cast<PadServer*>(server)->CutOff(); }

}  // namespace client
