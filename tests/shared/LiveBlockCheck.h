// Every test must give back to the kernel heap what it took: this listener
// compares the heap's live-block count before and after each test and makes
// the test program fail when they differ.
#pragma once

#include <gtest/gtest.h>

class LiveBlockCheck : public testing::EmptyTestEventListener {
 public:
  void OnTestStart(const testing::TestInfo& test) override;
  void OnTestEnd(const testing::TestInfo& test) override;

  // True when some test of this run ended with a different count.
  static bool AnyLeak();

 private:
  long startCount_ = 0;
};
