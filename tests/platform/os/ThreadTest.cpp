// Worker threads: exit codes, bounded waits, released threads, identities.
#include <atomic>
#include <chrono>

#include <gtest/gtest.h>

#include "os/Thread.h"

namespace {

using Clock = std::chrono::steady_clock;

// Waits up to ten seconds for `condition`; every wait in a test has a bound.
template <typename Condition>
bool WaitUntil(Condition condition) {
  auto deadline = Clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (Clock::now() > deadline) return false;
    os::SleepMilliseconds(1);
  }
  return true;
}

unsigned long ReturnArgument(void* argument) { return *static_cast<unsigned long*>(argument); }

// A thread that runs until the test opens its gate.
struct Gate {
  std::atomic<bool> open{false};
  std::atomic<bool> finished{false};
  std::atomic<unsigned long> threadId{0};
};

unsigned long WaitAtGate(void* argument) {
  Gate* gate = static_cast<Gate*>(argument);
  gate->threadId = os::CurrentThreadId();
  WaitUntil([gate] { return gate->open.load(); });
  gate->finished = true;
  return 7;
}

TEST(Thread, ReportsTheExitCodeOfItsProcedure) {
  // 259 is the value Windows uses for "still running".
  const unsigned long codes[] = {0, 1, 42, 259, 0xFFFFFFFFul};
  for (unsigned long code : codes) {
    unsigned long argument = code;
    os::ThreadHandle* thread = os::StartThread(ReturnArgument, &argument);
    ASSERT_NE(thread, nullptr);
    ASSERT_TRUE(os::WaitForThread(thread, 10000));
    unsigned long exitCode = 12345;
    EXPECT_TRUE(os::ThreadExitCode(thread, &exitCode));
    EXPECT_EQ(exitCode, code);
    EXPECT_TRUE(os::WaitForThread(thread, 0)) << "an ended thread needs no wait";
    os::ReleaseThread(thread);
  }
}

TEST(Thread, HasNoExitCodeWhileRunningAndWaitsOnlyAsLongAsAsked) {
  Gate gate;
  os::ThreadHandle* thread = os::StartThread(WaitAtGate, &gate);
  ASSERT_NE(thread, nullptr);

  unsigned long exitCode = 12345;
  EXPECT_FALSE(os::ThreadExitCode(thread, &exitCode));
  EXPECT_EQ(exitCode, 12345ul);

  auto start = Clock::now();
  EXPECT_FALSE(os::WaitForThread(thread, 100));
  auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
  EXPECT_GE(waited.count(), 90);
  EXPECT_LT(waited.count(), 5000);

  gate.open = true;
  ASSERT_TRUE(os::WaitForThread(thread, 10000));
  EXPECT_TRUE(os::ThreadExitCode(thread, &exitCode));
  EXPECT_EQ(exitCode, 7ul);
  os::ReleaseThread(thread);
}

TEST(Thread, ReleasedWhileRunningFinishesByItself) {
  Gate gate;
  os::ThreadHandle* thread = os::StartThread(WaitAtGate, &gate);
  ASSERT_NE(thread, nullptr);
  ASSERT_TRUE(WaitUntil([&gate] { return gate.threadId.load() != 0; }));
  os::ReleaseThread(thread);
  EXPECT_FALSE(gate.finished.load()) << "releasing must not wait for the thread";
  gate.open = true;
  EXPECT_TRUE(WaitUntil([&gate] { return gate.finished.load(); }));
  // Give the thread the moment it needs to leave, so that nothing of it is
  // still running when the test program ends.
  os::SleepMilliseconds(20);
}

TEST(Thread, IdentifiesEachLiveThreadApart) {
  const unsigned long mine = os::CurrentThreadId();
  EXPECT_EQ(os::CurrentThreadId(), mine);

  Gate first, second;
  os::ThreadHandle* one = os::StartThread(WaitAtGate, &first);
  os::ThreadHandle* two = os::StartThread(WaitAtGate, &second);
  ASSERT_NE(one, nullptr);
  ASSERT_NE(two, nullptr);
  EXPECT_TRUE(WaitUntil([&] { return first.threadId.load() != 0 && second.threadId.load() != 0; }));
  EXPECT_NE(first.threadId.load(), mine);
  EXPECT_NE(second.threadId.load(), mine);
  EXPECT_NE(first.threadId.load(), second.threadId.load());
  first.open = true;
  second.open = true;
  EXPECT_TRUE(os::WaitForThread(one, 10000));
  EXPECT_TRUE(os::WaitForThread(two, 10000));
  os::ReleaseThread(one);
  os::ReleaseThread(two);
}

TEST(Sleep, LastsAtLeastTheTimeAsked) {
  auto start = Clock::now();
  os::SleepMilliseconds(50);
  auto slept = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
  EXPECT_GE(slept.count(), 45);
  EXPECT_LT(slept.count(), 5000);
}

}  // namespace
