// Timers: they fire on the thread that started them, inside that thread's
// loop, at about their period; an action may delete its own timer (or another
// one) and start a new one; stopped and deleted timers stay silent.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

#include "mkres/MwAction.h"
#include "mkres/MwRunLoop.h"
#include "mkres/MwTimer.h"

namespace {

using Clock = std::chrono::steady_clock;

// Counts its calls and notes the threads they came on.
class CountingAction : public MwAction {
 public:
  CountingAction() : MwAction(nullptr, nullptr) {}
  char Execute(void*) override {
    std::lock_guard<std::mutex> lock(mutex_);
    threads_.insert(std::this_thread::get_id());
    ++calls;
    return 1;
  }
  std::set<std::thread::id> Threads() {
    std::lock_guard<std::mutex> lock(mutex_);
    return threads_;
  }
  std::atomic<int> calls{0};

 private:
  std::mutex mutex_;
  std::set<std::thread::id> threads_;
};

// Runs the calling thread's loop until `done` holds, for at most `limitMs`.
bool RunLoopUntil(const std::function<bool()>& done, int limitMs) {
  Clock::time_point end = Clock::now() + std::chrono::milliseconds(limitMs);
  while (!done() && Clock::now() < end) MwRunLoop(10);
  return done();
}

// Waits without running any loop, for at most `limitMs`.
bool WaitFor(const std::atomic<bool>& flag, int limitMs) {
  Clock::time_point end = Clock::now() + std::chrono::milliseconds(limitMs);
  while (!flag && Clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return flag;
}

}  // namespace

TEST(TimerThread, FiresOnlyInTheLoopOfTheStartingThread) {
  CountingAction action;
  MwTimer timer(0);
  EXPECT_EQ(1, timer.SetTimerAction(&action));
  ASSERT_EQ(1, timer.Start(20));

  std::thread other([] { MwRunLoop(200); });
  other.join();
  EXPECT_EQ(0, action.calls) << "another thread's loop fired the timer";

  EXPECT_TRUE(RunLoopUntil([&] { return action.calls >= 3; }, 3000));
  EXPECT_EQ(std::set<std::thread::id>{std::this_thread::get_id()}, action.Threads());
}

TEST(TimerThread, ATimerStartedOnAWorkerFiresOnThatWorker) {
  CountingAction action;
  std::atomic<bool> started{false};
  std::atomic<bool> mainLoopDone{false};
  std::atomic<int> callsBeforeOwnLoop{-1};
  std::thread::id workerId;

  std::thread worker([&] {
    MwTimer timer(0);
    timer.SetTimerAction(&action);
    started = timer.Start(20) == 1;
    WaitFor(mainLoopDone, 5000);
    callsBeforeOwnLoop = action.calls.load();
    RunLoopUntil([&] { return action.calls >= 3; }, 3000);
  });
  workerId = worker.get_id();

  // No early return while the worker runs: it must be joined.
  EXPECT_TRUE(WaitFor(started, 5000));
  MwRunLoop(200);
  mainLoopDone = true;
  worker.join();

  EXPECT_EQ(0, callsBeforeOwnLoop) << "the main thread's loop fired the worker's timer";
  EXPECT_GE(action.calls, 3);
  EXPECT_EQ(std::set<std::thread::id>{workerId}, action.Threads());
}

TEST(TimerPeriod, TicksAtAboutThePeriod) {
  CountingAction action;
  MwTimer timer(0);
  timer.SetTimerAction(&action);
  ASSERT_EQ(1, timer.Start(50));
  MwRunLoop(500);
  // Ten ticks ideally; the slack is for loaded machines and emulation.
  EXPECT_GE(action.calls, 6);
  EXPECT_LE(action.calls, 12);
}

TEST(TimerPeriod, StartingAgainReplacesTheSchedule) {
  CountingAction action;
  MwTimer timer(0);
  timer.SetTimerAction(&action);
  ASSERT_EQ(1, timer.Start(20));
  ASSERT_EQ(1, timer.Start(100));
  MwRunLoop(500);
  // Five ticks at the new period; a timer left behind at 20 ms would add ~25.
  EXPECT_GE(action.calls, 2);
  EXPECT_LE(action.calls, 7);
}

TEST(TimerPeriod, TheLoopRunsForItsTimeWithoutTimers) {
  Clock::time_point start = Clock::now();
  MwRunLoop(100);
  auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
  EXPECT_GE(elapsed.count(), 95);
  EXPECT_LT(elapsed.count(), 2000);
}

namespace {

// Replaces its timer by a fresh one with itself as the action, the way a
// client ends one task and starts the next from inside a tick.
class ReplacingAction : public MwAction {
 public:
  ReplacingAction() : MwAction(nullptr, nullptr) {}
  char Execute(void*) override {
    ++calls;
    if (replacements < 2) {
      timer->Stop();
      delete timer;
      timer = new MwTimer(0);
      timer->SetTimerAction(this);
      timer->Start(20);
      ++replacements;
    }
    return 1;
  }
  MwTimer* timer = nullptr;
  int calls = 0;
  int replacements = 0;
};

// Deletes every timer it knows on its first call.
class DeletingAction : public MwAction {
 public:
  DeletingAction() : MwAction(nullptr, nullptr) {}
  char Execute(void*) override {
    ++calls;
    for (MwTimer*& timer : timers) {
      delete timer;
      timer = nullptr;
    }
    return 1;
  }
  MwTimer* timers[2] = {nullptr, nullptr};
  int calls = 0;
};

}  // namespace

TEST(TimerAction, MayReplaceItsOwnTimer) {
  ReplacingAction action;
  action.timer = new MwTimer(0);
  action.timer->SetTimerAction(&action);
  ASSERT_EQ(1, action.timer->Start(20));

  EXPECT_TRUE(RunLoopUntil([&] { return action.calls >= 5; }, 3000));
  EXPECT_EQ(2, action.replacements);
  EXPECT_EQ(1, action.timer->IsRunning());
  delete action.timer;
}

TEST(TimerAction, MayDeleteItsOwnTimerAndAnotherDueOne) {
  DeletingAction action;
  for (MwTimer*& timer : action.timers) {
    timer = new MwTimer(0);
    timer->SetTimerAction(&action);
    ASSERT_EQ(1, timer->Start(20));
  }
  // Both are due at once; whichever fires first deletes both.
  EXPECT_TRUE(RunLoopUntil([&] { return action.calls >= 1; }, 3000));
  MwRunLoop(200);
  EXPECT_EQ(1, action.calls);
}

TEST(TimerStop, StopEndsTheTicksAndStartResumesThem) {
  CountingAction action;
  MwTimer timer(0);
  timer.SetTimerAction(&action);
  ASSERT_EQ(1, timer.Start(20));
  EXPECT_EQ(1, timer.IsRunning());
  ASSERT_TRUE(RunLoopUntil([&] { return action.calls >= 1; }, 3000));

  timer.Stop();
  EXPECT_EQ(0, timer.IsRunning());
  int callsWhenStopped = action.calls;
  MwRunLoop(200);
  EXPECT_EQ(callsWhenStopped, action.calls);

  ASSERT_EQ(1, timer.Start(20));
  EXPECT_TRUE(RunLoopUntil([&] { return action.calls > callsWhenStopped; }, 3000));
}

TEST(TimerStop, DeletingARunningTimerStopsIt) {
  CountingAction action;
  MwTimer* timer = new MwTimer(0);
  timer->SetTimerAction(&action);
  ASSERT_EQ(1, timer->Start(20));
  delete timer;
  MwRunLoop(200);
  EXPECT_EQ(0, action.calls);
}

TEST(TimerStop, StartNeedsAnActionAndAPeriod) {
  CountingAction action;
  MwTimer timer(0);
  EXPECT_EQ(0, timer.Start(20)) << "no action set";
  EXPECT_EQ(0, timer.IsRunning());
  timer.SetTimerAction(&action);
  EXPECT_EQ(0, timer.Start(0)) << "zero period";
  EXPECT_EQ(0, timer.IsRunning());
  MwRunLoop(50);
  EXPECT_EQ(0, action.calls);
}
