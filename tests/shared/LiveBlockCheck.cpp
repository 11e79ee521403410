#include "LiveBlockCheck.h"

#include <cstdio>

#include "mkres/MwMemory.h"

namespace {
bool anyLeak = false;
}

void LiveBlockCheck::OnTestStart(const testing::TestInfo&) { startCount_ = MwLiveBlockCount(); }

void LiveBlockCheck::OnTestEnd(const testing::TestInfo& test) {
  long endCount = MwLiveBlockCount();
  if (endCount != startCount_) {
    anyLeak = true;
    std::printf("[  LEAK    ] %s.%s: kernel heap live blocks %ld before, %ld after\n",
                test.test_suite_name(), test.name(), startCount_, endCount);
    std::fflush(stdout);
  }
}

bool LiveBlockCheck::AnyLeak() { return anyLeak; }
