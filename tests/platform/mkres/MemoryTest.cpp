// The kernel heap: every block is counted until it is freed, and kernel
// objects are taken from it.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "mkres/MwMemory.h"
#include "mkres/MwPath.h"

TEST(KernelHeap, CountsBlocksUntilTheyAreFreed) {
  long start = MwLiveBlockCount();
  void* block = MwNew(64);
  void* empty = MwNew(0);
  ASSERT_NE(nullptr, block);
  ASSERT_NE(nullptr, empty);
  EXPECT_NE(block, empty);
  EXPECT_EQ(start + 2, MwLiveBlockCount());
  std::memset(block, 0xAB, 64);

  MwDelete(block);
  EXPECT_EQ(start + 1, MwLiveBlockCount());
  MwDelete(empty);
  MwDelete(nullptr);
  EXPECT_EQ(start, MwLiveBlockCount());
}

TEST(KernelHeap, ZeroSizedBlocksAreDistinct) {
  void* first = MwNew(0);
  void* second = MwNew(0);
  ASSERT_NE(nullptr, first);
  ASSERT_NE(nullptr, second);
  EXPECT_NE(first, second);
  MwDelete(first);
  MwDelete(second);
}

TEST(KernelHeap, BlocksAreAlignedForAnyType) {
  void* blocks[3] = {MwNew(1), MwNew(7), MwNew(100)};
  for (void* block : blocks) {
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(block) % alignof(std::max_align_t));
    MwDelete(block);
  }
}

TEST(KernelHeap, KernelObjectsAreTakenFromIt) {
  long start = MwLiveBlockCount();
  char name[] = "some/file.txt";
  MwPath* path = new MwPath(name, nullptr);
  EXPECT_EQ(start + 1, MwLiveBlockCount());
  EXPECT_STREQ("some/file.txt", path->Name());
  delete path;
  EXPECT_EQ(start, MwLiveBlockCount());
}
