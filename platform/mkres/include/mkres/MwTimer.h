// A periodic timer that fires on the thread that started it.
//
// Start registers the timer with the calling thread; that thread's loop
// (MwRunLoop; on Windows any message loop of the thread, since the timer is a
// thread timer set with SetTimer) calls the action's Execute(null) every
// `period` milliseconds. The timer never fires on any other thread. Inside
// Execute the action may stop and delete this very timer, and may create and
// start another one. A timer must be stopped and deleted on the thread that
// started it.
#pragma once

#include "mkres/MwAction.h"
#include "mkres/MwObject.h"

class MKRES_API MwTimer : public MwObject {
 public:
  // `value` is not interpreted; callers pass 0.
  explicit MwTimer(unsigned int value);
  MwTimer(const MwTimer&) = delete;
  MwTimer& operator=(const MwTimer&) = delete;
  // Stops the timer first when it runs.
  virtual ~MwTimer();

  // The action is not owned. Returns 1.
  char SetTimerAction(MwAction* action);
  // Starts (or restarts) firing every `period` milliseconds on the calling
  // thread. Returns 0 for a zero period or when no action is set.
  char Start(unsigned int period);
  void Stop();
  char IsRunning() const;

 private:
  friend class MwTimerLoop;
  MwAction* action_;
  unsigned int period_;
  unsigned long id_;           // system timer id (Windows) or loop slot (POSIX)
  unsigned long ownerThread_;  // os::CurrentThreadId of the starting thread
  char running_;
};
