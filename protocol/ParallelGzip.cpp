#include "protocol/ParallelGzip.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#include <zlib.h>

#include "kernel/KernelResources.h"
#include "os/Files.h"
#include "os/Processors.h"
#include "os/Thread.h"
#include "protocol/GzipFile.h"

namespace protocol {

namespace {

constexpr int kLevel = 6;
// deflate's window: the most input a block can refer back to.
constexpr unsigned long kDictionarySize = 32ul * 1024;
constexpr int kRawWindowBits = -15;
constexpr int kMemoryLevel = 8;
// Smaller files gain too little from threads to pay for starting them.
constexpr unsigned long long kSmallestInBlocks = 4ull * kGzipBlockSize;
// Blocks in flight per worker: one being compressed and one waiting, so
// that no worker idles while the calling thread writes or reads.
constexpr unsigned int kSlotsPerThread = 2;
constexpr unsigned int kMostSlots = kMostGzipThreads * kSlotsPerThread;
// Room past deflateBound for the empty stored block of a sync flush.
constexpr unsigned long kFlushMargin = 64;
constexpr unsigned int kHeaderSize = 10;
constexpr unsigned int kTrailerSize = 8;
// Waits last at most this long at a time, so that a stop is seen soon.
constexpr std::chrono::milliseconds kWaitRound{20};
// How long a worker told to quit may take to end: at most one block's
// compression, which takes milliseconds.
constexpr unsigned int kThreadEndBound = 60000;

std::atomic<int> runningThreads{0};

// zlib's memory comes from the kernel heap, as the library's own does.
voidpf KernelAllocate(voidpf, uInt items, uInt size) {
  unsigned long long total = static_cast<unsigned long long>(items) * size;
  if (total > 0xFFFFFFFFull) return Z_NULL;
  return MwNew(static_cast<unsigned int>(total));
}

void KernelFree(voidpf, voidpf block) { MwDelete(block); }

enum class SlotState { kFree, kQueued, kDone, kFailed };

// One block of input with the dictionary in front of it, and its output.
struct Slot {
  unsigned char* input = nullptr;
  unsigned char* output = nullptr;
  unsigned long dictionaryLength = 0;
  unsigned long length = 0;
  unsigned long outputLength = 0;
  unsigned long crc = 0;
  bool last = false;
  SlotState state = SlotState::kFree;  // guarded by Pool::lock
};

struct Pool;

struct Worker {
  Pool* pool = nullptr;
  z_stream stream{};
  bool streamReady = false;
  os::ThreadHandle* thread = nullptr;
};

// Shared by the calling thread and its workers. A slot's data belongs to
// the calling thread while the slot is free, to one worker from its taking
// until it is done, and to the calling thread again to write it out.
struct Pool {
  unsigned int slotCount = 0;
  unsigned long outputSize = 0;
  Slot slots[kMostSlots];
  Worker workers[kMostGzipThreads];
  unsigned int workerCount = 0;
  std::mutex lock;
  std::condition_variable queued;    // a block was queued, or quit was set
  std::condition_variable finished;  // a block was compressed
  // Guarded by `lock`.
  unsigned long long queuedCount = 0;  // blocks queued so far
  unsigned long long takenCount = 0;   // of them, taken by a worker
  bool quit = false;
};

// Deflates the slot's block so that its output ends on a byte boundary (or
// ends the stream, for the last block); false when zlib fails.
bool CompressBlock(z_stream& stream, Slot& slot, unsigned long outputSize) {
  const unsigned char* data = slot.input + slot.dictionaryLength;
  slot.crc = crc32(crc32(0, Z_NULL, 0), data, static_cast<uInt>(slot.length));
  if (deflateReset(&stream) != Z_OK) return false;
  if (slot.dictionaryLength > 0 &&
      deflateSetDictionary(&stream, slot.input, static_cast<uInt>(slot.dictionaryLength)) != Z_OK) {
    return false;
  }
  stream.next_in = const_cast<Bytef*>(data);
  stream.avail_in = static_cast<uInt>(slot.length);
  stream.next_out = slot.output;
  stream.avail_out = static_cast<uInt>(outputSize);
  int result = deflate(&stream, slot.last ? Z_FINISH : Z_SYNC_FLUSH);
  slot.outputLength = outputSize - stream.avail_out;
  // A sync flush is complete only when it left room unused.
  if (slot.last) return result == Z_STREAM_END;
  return result == Z_OK && stream.avail_in == 0 && stream.avail_out > 0;
}

unsigned long RunWorker(void* argument) {
  Worker& worker = *static_cast<Worker*>(argument);
  Pool& pool = *worker.pool;
  for (;;) {
    Slot* slot = nullptr;
    {
      std::unique_lock<std::mutex> hold(pool.lock);
      // The calling thread sets quit on every way out before it waits for
      // this thread, which ends this wait.
      while (!pool.quit && pool.takenCount == pool.queuedCount) {
        pool.queued.wait_for(hold, kWaitRound);
      }
      if (pool.quit) break;
      slot = &pool.slots[pool.takenCount++ % pool.slotCount];
    }
    bool compressed = CompressBlock(worker.stream, *slot, pool.outputSize);
    {
      std::lock_guard<std::mutex> hold(pool.lock);
      slot->state = compressed ? SlotState::kDone : SlotState::kFailed;
    }
    pool.finished.notify_all();
  }
  runningThreads.fetch_sub(1);
  return 0;
}

// Tells the workers to quit and frees the pool once all have ended. False
// when one did not end in time: the pool is then left to it, not freed
// under it.
bool EndPool(Pool* pool) {
  {
    std::lock_guard<std::mutex> hold(pool->lock);
    pool->quit = true;
  }
  pool->queued.notify_all();
  bool allEnded = true;
  for (unsigned int i = 0; i < pool->workerCount; ++i) {
    if (!os::WaitForThread(pool->workers[i].thread, kThreadEndBound)) allEnded = false;
    os::ReleaseThread(pool->workers[i].thread);
  }
  if (!allEnded) return false;
  for (Worker& worker : pool->workers) {
    if (worker.streamReady) deflateEnd(&worker.stream);
  }
  for (Slot& slot : pool->slots) {
    delete[] slot.input;
    delete[] slot.output;
  }
  delete pool;
  return true;
}

// The deflate streams, buffers and running workers, all allocated here on
// the calling thread; null when any of them could not be had.
Pool* StartPool(unsigned int threads) {
  Pool* pool = new (std::nothrow) Pool;
  if (pool == nullptr) return nullptr;
  pool->slotCount = threads * kSlotsPerThread;
  bool ready = true;
  for (unsigned int i = 0; ready && i < threads; ++i) {
    Worker& worker = pool->workers[i];
    worker.pool = pool;
    worker.stream.zalloc = KernelAllocate;
    worker.stream.zfree = KernelFree;
    worker.streamReady = deflateInit2(&worker.stream, kLevel, Z_DEFLATED, kRawWindowBits,
                                      kMemoryLevel, Z_DEFAULT_STRATEGY) == Z_OK;
    ready = worker.streamReady;
  }
  if (ready)
    pool->outputSize = deflateBound(&pool->workers[0].stream, kGzipBlockSize) + kFlushMargin;
  for (unsigned int i = 0; ready && i < pool->slotCount; ++i) {
    Slot& slot = pool->slots[i];
    slot.input = new (std::nothrow) unsigned char[kDictionarySize + kGzipBlockSize];
    slot.output = new (std::nothrow) unsigned char[pool->outputSize];
    ready = slot.input != nullptr && slot.output != nullptr;
  }
  for (unsigned int i = 0; ready && i < threads; ++i) {
    Worker& worker = pool->workers[i];
    runningThreads.fetch_add(1);
    worker.thread = os::StartThread(RunWorker, &worker);
    if (worker.thread == nullptr) {
      runningThreads.fetch_sub(1);
      ready = false;
    } else {
      ++pool->workerCount;
    }
  }
  if (ready) return pool;
  EndPool(pool);
  return nullptr;
}

// The 10-byte header exactly as zlib's gzip writer makes it (the system
// byte differs between targets), taken from the compression of nothing.
bool MakeGzipHeader(unsigned char (&header)[kHeaderSize]) {
  z_stream stream{};
  stream.zalloc = KernelAllocate;
  stream.zfree = KernelFree;
  // The smallest window and memory level: the header does not depend on them.
  if (deflateInit2(&stream, kLevel, Z_DEFLATED, 9 + 16, 1, Z_DEFAULT_STRATEGY) != Z_OK) {
    return false;
  }
  unsigned char whole[64];
  stream.next_out = whole;
  stream.avail_out = sizeof whole;
  bool made = deflate(&stream, Z_FINISH) == Z_STREAM_END &&
              sizeof whole - stream.avail_out >= kHeaderSize + kTrailerSize;
  deflateEnd(&stream);
  if (made) std::memcpy(header, whole, kHeaderSize);
  return made;
}

// True when `in` has no byte left (or cannot be read: see ferror).
bool AtEnd(std::FILE* in) {
  int c = std::getc(in);
  if (c == EOF) return true;
  std::ungetc(c, in);
  return false;
}

// Reads the next block into the slot, after the end of the block before it
// as its dictionary; false when the source cannot be read.
bool FillSlot(Pool& pool, unsigned long long index, std::FILE* in) {
  Slot& slot = pool.slots[index % pool.slotCount];
  slot.dictionaryLength = 0;
  if (index > 0) {
    // Every block but the last is whole, so the one before holds a window.
    const Slot& before = pool.slots[(index - 1) % pool.slotCount];
    std::memcpy(slot.input,
                before.input + before.dictionaryLength + before.length - kDictionarySize,
                kDictionarySize);
    slot.dictionaryLength = kDictionarySize;
  }
  slot.length = static_cast<unsigned long>(
      std::fread(slot.input + slot.dictionaryLength, 1, kGzipBlockSize, in));
  slot.last = slot.length < kGzipBlockSize || AtEnd(in);
  return std::ferror(in) == 0;
}

void PutLittleEndian(unsigned char* bytes, unsigned long value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>((value >> (8 * i)) & 0xFF);
}

// Reads, queues and writes out the blocks in order: the header, every
// block's output, the trailer.
bool RunBlocks(Pool& pool, std::FILE* in, std::FILE* out, StopQuery stop) {
  unsigned char header[kHeaderSize];
  if (!MakeGzipHeader(header) || std::fwrite(header, 1, kHeaderSize, out) != kHeaderSize) {
    return false;
  }
  unsigned long crc = crc32(0, Z_NULL, 0);
  unsigned long long total = 0;
  unsigned long long filled = 0;   // blocks read and queued
  unsigned long long written = 0;  // of them, written out
  bool readAll = false;
  for (;;) {
    if (stop.Asked()) return false;
    if (!readAll && filled - written < pool.slotCount) {
      if (!FillSlot(pool, filled, in)) return false;
      readAll = pool.slots[filled % pool.slotCount].last;
      {
        std::lock_guard<std::mutex> hold(pool.lock);
        pool.slots[filled % pool.slotCount].state = SlotState::kQueued;
        ++pool.queuedCount;
      }
      pool.queued.notify_one();
      ++filled;
      continue;
    }
    if (written == filled) break;
    Slot& slot = pool.slots[written % pool.slotCount];
    SlotState state;
    {
      std::unique_lock<std::mutex> hold(pool.lock);
      pool.finished.wait_for(hold, kWaitRound,
                             [&slot] { return slot.state != SlotState::kQueued; });
      state = slot.state;
      if (state == SlotState::kDone) slot.state = SlotState::kFree;
    }
    if (state == SlotState::kQueued) continue;  // not yet: ask about a stop again
    if (state != SlotState::kDone) return false;
    if (std::fwrite(slot.output, 1, slot.outputLength, out) != slot.outputLength) return false;
    crc = crc32_combine(crc, slot.crc, static_cast<z_off_t>(slot.length));
    total += slot.length;
    ++written;
  }
  unsigned char trailer[kTrailerSize];
  PutLittleEndian(trailer, crc);
  PutLittleEndian(trailer + 4, static_cast<unsigned long>(total & 0xFFFFFFFFull));
  return std::fwrite(trailer, 1, kTrailerSize, out) == kTrailerSize;
}

}  // namespace

bool GzipFileInBlocks(const char* source, const char* gzipFile, unsigned int threads,
                      StopQuery stop) {
  if (threads < 1) threads = 1;
  if (threads > kMostGzipThreads) threads = kMostGzipThreads;
  std::FILE* in = std::fopen(source, "rb");
  if (in == nullptr) return false;
  std::FILE* out = std::fopen(gzipFile, "wb");
  if (out == nullptr) {
    std::fclose(in);
    return false;
  }
  Pool* pool = StartPool(threads);
  bool complete = pool != nullptr && RunBlocks(*pool, in, out, stop);
  if (pool != nullptr && !EndPool(pool)) complete = false;
  std::fclose(in);
  if (std::fclose(out) != 0) complete = false;
  return complete;
}

bool GzipPadFile(const char* source, const char* gzipFile, StopQuery stop) {
  unsigned int processors = os::ProcessorCount();
  unsigned int threads = processors < kMostGzipThreads ? processors : kMostGzipThreads;
  unsigned long long size = 0;
  if (threads < 2 || !os::FileSize(source, size) || size < kSmallestInBlocks) {
    return GzipFile(source, gzipFile);
  }
  return GzipFileInBlocks(source, gzipFile, threads, stop);
}

int RunningGzipThreads() { return runningThreads.load(); }

}  // namespace protocol
