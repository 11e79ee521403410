// The library's allocations go to the kernel heap; the host's do not.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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
  // Blocks the kernel heap can never hand out, each of which would come back
  // as a small one if its size were cut or wrapped on the way: with 32-bit
  // sizes, SIZE_MAX and SIZE_MAX - 15 wrap to a few bytes once the heap adds
  // its 16-byte header; with 64-bit sizes they, and 4 GiB + 16, exceed the
  // 32-bit size that MwNew takes (cut to 32 bits, the last would ask for 16).
  std::vector<std::size_t> never = {SIZE_MAX, SIZE_MAX - 15};
  const std::uint64_t kAbove4GiB = 0x100000010ull;
  if (kAbove4GiB <= SIZE_MAX) never.push_back(static_cast<std::size_t>(kAbove4GiB));
  for (std::size_t size : never) {
    EXPECT_FALSE(HeapProbeTryAllocate(size)) << size;
  }
  EXPECT_EQ(MwLiveBlockCount(), before);
}
