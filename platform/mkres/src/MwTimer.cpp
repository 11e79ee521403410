#include "mkres/MwTimer.h"

#include <atomic>

#include "MwTimerLoop.h"
#include "os/Thread.h"

MwTimer::MwTimer(unsigned int /*value*/)
    : action_(nullptr), period_(0), id_(0), ownerThread_(0), running_(0) {}

MwTimer::~MwTimer() { Stop(); }

char MwTimer::SetTimerAction(MwAction* action) {
  action_ = action;
  return 1;
}

char MwTimer::Start(unsigned int period) {
  if (period == 0 || action_ == nullptr) return 0;
  Stop();
  period_ = period;
  ownerThread_ = os::CurrentThreadId();
  if (!MwTimerLoop::Register(this)) return 0;
  running_ = 1;
  return 1;
}

void MwTimer::Stop() {
  if (!running_) return;
  running_ = 0;
  MwTimerLoop::Unregister(this);
}

char MwTimer::IsRunning() const { return running_; }

unsigned long MwTimerLoop::ThreadToken() {
  static std::atomic<unsigned long> nextToken{1};
  thread_local unsigned long token = nextToken.fetch_add(1);
  return token;
}
