// The library's allocations go to the kernel heap; the host's do not.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "HeapProbe.h"
#include "mkres/MwMemory.h"

TEST(KernelHeap, LibraryNewTakesAKernelBlockAndDeleteGivesItBack) {
  long before = MwLiveBlockCount();
  int* block = HeapProbeNewInt(42);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(*block, 42);
  EXPECT_EQ(MwLiveBlockCount(), before + 1);
  HeapProbeDeleteInt(block);
  EXPECT_EQ(MwLiveBlockCount(), before);
}

TEST(KernelHeap, HostAllocationsAreNotInterposed) {
  long before = MwLiveBlockCount();
  auto hostBlock = std::make_unique<int>(5);
  std::string hostText(1000, 'x');
  EXPECT_EQ(MwLiveBlockCount(), before);
  // A block from the host's allocator must never reach MwDelete (which would
  // abort): freeing it here with the host's delete is the check.
  hostBlock.reset();
}

TEST(KernelHeap, RuntimeContainersInsideTheLibraryBalance) {
  long before = MwLiveBlockCount();
  EXPECT_EQ(HeapProbeGrowString(100000), 100000u);
  EXPECT_EQ(MwLiveBlockCount(), before);
}

TEST(KernelHeap, ExhaustionGivesNullForNothrowAndNothingLeaks) {
  long before = MwLiveBlockCount();
  EXPECT_TRUE(HeapProbeTryAllocate(64));
  // More than the kernel heap can ever hand out in one block.
  EXPECT_FALSE(HeapProbeTryAllocate(static_cast<std::size_t>(0xFFFFFFFFu) + 16));
  EXPECT_EQ(MwLiveBlockCount(), before);
}
