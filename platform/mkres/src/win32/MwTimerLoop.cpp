// The Windows timer loop: each MwTimer is a thread timer of the system
// (SetTimer without a window), so any message loop of the starting thread
// fires it, MwRunLoop among them. The system's timer id is mapped back to the
// MwTimer through a registry that also records the starting thread, since
// timer ids are only unique within one thread.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <chrono>
#include <map>
#include <mutex>
#include <utility>

#include "MwTimerLoop.h"
#include "mkres/MwRunLoop.h"
#include "os/Thread.h"

namespace {

using Clock = std::chrono::steady_clock;
// (MwTimerLoop::ThreadToken of the starting thread, system timer id)
using TimerKey = std::pair<unsigned long, UINT_PTR>;

// Never destroyed: timers may still be deleted during static destruction.
std::mutex registryMutex;
std::map<TimerKey, MwTimer*>& Registry() {
  static auto* registry = new std::map<TimerKey, MwTimer*>;
  return *registry;
}

// Runs on the starting thread, from whichever message loop dispatches the
// WM_TIMER. The timer is not touched after its action ran: the action may
// have deleted it.
VOID CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
  bool registered = false;
  MwAction* action = nullptr;
  {
    std::lock_guard<std::mutex> lock(registryMutex);
    auto found = Registry().find(TimerKey(MwTimerLoop::ThreadToken(), id));
    if (found != Registry().end()) {
      registered = true;
      action = MwTimerLoop::ActionOf(found->second);
    }
  }
  if (!registered) {
    // Stopped from another thread, where a thread timer cannot be killed:
    // it is killed here, on its own thread, and never fires an action.
    KillTimer(nullptr, id);
    return;
  }
  if (action != nullptr) action->Execute(nullptr);
}

DWORD RemainingMilliseconds(Clock::time_point end) {
  auto ms = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now()).count();
  return ms < 0 ? 0 : static_cast<DWORD>(ms);
}

}  // namespace

bool MwTimerLoop::Register(MwTimer* timer) {
  UINT_PTR id = SetTimer(nullptr, 0, PeriodOf(timer), OnTimer);
  if (id == 0) return false;
  std::lock_guard<std::mutex> lock(registryMutex);
  Registry()[TimerKey(ThreadToken(), id)] = timer;
  SetId(timer, static_cast<unsigned long>(id));
  return true;
}

void MwTimerLoop::Unregister(MwTimer* timer) {
  UINT_PTR id = 0;
  bool ownThread = false;
  {
    std::lock_guard<std::mutex> lock(registryMutex);
    for (auto entry = Registry().begin(); entry != Registry().end(); ++entry) {
      if (entry->second != timer) continue;
      id = entry->first.second;
      ownThread = entry->first.first == ThreadToken();
      Registry().erase(entry);
      break;
    }
  }
  if (id != 0 && ownThread) KillTimer(nullptr, id);
}

void MwRunLoop(unsigned int milliseconds) {
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        // Not ours to consume: leave it for the host's own loop.
        PostQuitMessage(static_cast<int>(message.wParam));
        return;
      }
      TranslateMessage(&message);
      DispatchMessageA(&message);
      // A busy queue (or an action slower than its period) must not keep
      // the loop past its time.
      if (Clock::now() >= end) return;
    }
    DWORD remaining = RemainingMilliseconds(end);
    if (remaining == 0) return;
    MsgWaitForMultipleObjectsEx(0, nullptr, remaining, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}
