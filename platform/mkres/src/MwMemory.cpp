// The kernel heap: malloc with a small header that marks live blocks, so that
// freeing a foreign or already freed block is caught instead of corrupting
// memory, and a process-wide count of live blocks.
#include "mkres/MwMemory.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "mkres/MwMemoryTestHelper.h"

namespace {

constexpr std::uint64_t kLiveMark = 0x4D774E65774C6976ull;   // "MwNewLiv"
constexpr std::uint64_t kFreedMark = 0x4D7744656C446561ull;  // "MwDelDea"

// 16 bytes keep the caller's block aligned as malloc's own blocks are.
struct alignas(16) BlockHeader {
  std::uint64_t mark;
  std::uint64_t size;
};

std::atomic<long> liveBlocks{0};

// The test helper's countdown: allocations still to go on other threads than
// `armingThread` before one fails; 0 when disarmed.
std::atomic<long> failureCountdown{0};
std::atomic<bool> failureHappened{false};
std::atomic<std::thread::id> armingThread{};

bool ArmedFailureDue() {
  if (failureCountdown.load(std::memory_order_acquire) <= 0) return false;
  if (std::this_thread::get_id() == armingThread.load()) return false;
  if (failureCountdown.fetch_sub(1) != 1) return false;
  failureHappened = true;
  return true;
}

}  // namespace

void MwMemoryTestHelper::FailAllocationElsewhere(long count) {
  failureCountdown = 0;
  failureHappened = false;
  armingThread = std::this_thread::get_id();
  failureCountdown.store(count > 0 ? count : 0, std::memory_order_release);
}

bool MwMemoryTestHelper::ArmedFailureHappened() { return failureHappened; }

void* MwNew(unsigned int size) {
  if (ArmedFailureDue()) return nullptr;
  // Where size_t is 32 bits wide the header can wrap the total to a few
  // bytes, which would hand out a block far smaller than asked for.
  std::size_t total = sizeof(BlockHeader) + size;
  if (total < size) return nullptr;
  void* raw = std::malloc(total);
  if (raw == nullptr) return nullptr;
  BlockHeader* header = static_cast<BlockHeader*>(raw);
  header->mark = kLiveMark;
  header->size = size;
  liveBlocks.fetch_add(1, std::memory_order_relaxed);
  return header + 1;
}

void MwDelete(void* block) {
  if (block == nullptr) return;
  BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
  if (header->mark != kLiveMark) {
    std::fprintf(stderr, "MwDelete: %p is not a live kernel heap block\n", block);
    std::abort();
  }
  header->mark = kFreedMark;
  liveBlocks.fetch_sub(1, std::memory_order_relaxed);
  std::free(header);
}

long MwLiveBlockCount() { return liveBlocks.load(std::memory_order_relaxed); }
