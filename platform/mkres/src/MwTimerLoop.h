// The per-thread timer loop behind MwTimer: each target registers a started
// timer with the thread that started it and fires it from that thread's loop
// (src/posix: a loop run by MwRunLoop; src/win32: the thread's message loop).
//
// A registered timer is looked up afresh, under the registry's lock, every
// time it is about to fire, and the lock is never held while an action runs:
// an action may stop or delete any timer of its thread, its own included, and
// start new ones.
#pragma once

#include "mkres/MwTimer.h"

class MwTimerLoop {
 public:
  // Registers a timer with the calling thread, due every PeriodOf(timer)
  // milliseconds from now. False when the system refuses a timer.
  static bool Register(MwTimer* timer);
  // Removes a timer from its thread's loop; it never fires afterwards.
  static void Unregister(MwTimer* timer);

  // A number for the calling thread that no other thread of the process ever
  // gets, unlike system thread ids, which are reused after a thread ends.
  static unsigned long ThreadToken();

  static MwAction* ActionOf(const MwTimer* timer) { return timer->action_; }
  static unsigned int PeriodOf(const MwTimer* timer) { return timer->period_; }
  static unsigned long OwnerOf(const MwTimer* timer) { return timer->ownerThread_; }
  static void SetId(MwTimer* timer, unsigned long id) { timer->id_ = id; }
  static unsigned long IdOf(const MwTimer* timer) { return timer->id_; }
};
