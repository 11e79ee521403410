// The POSIX timer loop: a registry of running timers, each tagged with the
// thread that started it. MwRunLoop fires the calling thread's due timers and
// sleeps until the next one is due or its time is up.
#include "MwTimerLoop.h"

#include <chrono>
#include <map>
#include <mutex>
#include <vector>

#include "mkres/MwRunLoop.h"
#include "os/Thread.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Registration {
  MwTimer* timer;
  unsigned long thread;  // MwTimerLoop::ThreadToken of the starting thread
  Clock::time_point due;
};

// Keyed by slot number, so timers due at once fire in the order they started.
// Never destroyed: timers may still be deleted during static destruction.
std::mutex registryMutex;
std::map<unsigned long, Registration>& Registry() {
  static auto* registry = new std::map<unsigned long, Registration>;
  return *registry;
}
unsigned long nextSlot = 1;  // guarded by registryMutex

Clock::duration Period(const MwTimer* timer) {
  return std::chrono::milliseconds(MwTimerLoop::PeriodOf(timer));
}

// Fires the timer in `slot` if it is still registered for this thread and
// due. It is rescheduled before its action runs, and not touched afterwards:
// the action may have deleted it.
void FireIfDue(unsigned long slot, unsigned long thread) {
  MwAction* action = nullptr;
  {
    std::lock_guard<std::mutex> lock(registryMutex);
    auto found = Registry().find(slot);
    if (found == Registry().end() || found->second.thread != thread) return;
    Registration& entry = found->second;
    Clock::time_point now = Clock::now();
    if (entry.due > now) return;
    // A late tick is not made up for with a burst: like a message-loop
    // timer, the next one comes a full period later.
    entry.due += Period(entry.timer);
    if (entry.due <= now) entry.due = now + Period(entry.timer);
    action = MwTimerLoop::ActionOf(entry.timer);
  }
  if (action != nullptr) action->Execute(nullptr);
}

unsigned int CeilMilliseconds(Clock::duration span) {
  auto ms = std::chrono::ceil<std::chrono::milliseconds>(span).count();
  return ms < 1 ? 1 : static_cast<unsigned int>(ms);
}

}  // namespace

bool MwTimerLoop::Register(MwTimer* timer) {
  std::lock_guard<std::mutex> lock(registryMutex);
  unsigned long slot = nextSlot++;
  Registry()[slot] = Registration{timer, ThreadToken(), Clock::now() + Period(timer)};
  SetId(timer, slot);
  return true;
}

void MwTimerLoop::Unregister(MwTimer* timer) {
  std::lock_guard<std::mutex> lock(registryMutex);
  auto found = Registry().find(IdOf(timer));
  if (found != Registry().end() && found->second.timer == timer) Registry().erase(found);
}

void MwRunLoop(unsigned int milliseconds) {
  const unsigned long thread = MwTimerLoop::ThreadToken();
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(milliseconds);
  std::vector<unsigned long> dueSlots;
  for (;;) {
    dueSlots.clear();
    Clock::time_point wakeUp = end;
    {
      std::lock_guard<std::mutex> lock(registryMutex);
      Clock::time_point now = Clock::now();
      for (const auto& [slot, entry] : Registry()) {
        if (entry.thread != thread) continue;
        if (entry.due <= now) {
          dueSlots.push_back(slot);
        } else if (entry.due < wakeUp) {
          wakeUp = entry.due;
        }
      }
    }
    for (unsigned long slot : dueSlots) FireIfDue(slot, thread);
    Clock::time_point now = Clock::now();
    if (now >= end) return;
    // After firing, look again at once: the actions may have changed the
    // thread's timers.
    if (dueSlots.empty()) os::SleepMilliseconds(CeilMilliseconds(wakeUp - now));
  }
}
