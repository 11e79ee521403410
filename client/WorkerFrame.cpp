#include "client/WorkerFrame.h"

#include "bazaro/HostInfo.h"
#include "bazaro/Result.h"
#include "client/Reasons.h"
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
  server_.SetAuthorization(run->ServerToken(), run->ProxyToken());
  server_.SetProgress(&run->Progress());
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
  // A neutral outcome is a failure: it says why.
  Result& outcome = *outcome_;
  if (outcome.Bool() == 0 && outcome.ID() == 0 && outcome.Booth() == nullptr &&
      outcome.File() == nullptr) {
    int status = 0;
    int reason = FailureReason(server_, run_->IsCancelled(), status);
    outcome.SetReason(reason, static_cast<int>(server_.LastTlsFailure()));
    run_->SetStatus(status);
  }
  WorkerRun* run = run_;
  run_ = nullptr;
  task_ = nullptr;
  outcome_ = nullptr;
  run->ThreadEnd();
}

void WorkerFrame::CutOffServer(void* server) { static_cast<PadServer*>(server)->CutOff(); }

}  // namespace client
