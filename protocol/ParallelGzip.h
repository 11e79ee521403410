// File-to-file gzip compression on several threads, for large pad files.
//
// The source is cut into blocks of kGzipBlockSize bytes. Each block is
// deflated at level 6 on a worker thread with the 32 KiB of input before it
// as its dictionary and ends on a byte boundary (a sync flush; the last
// block finishes the stream), so the blocks joined in order form one deflate
// stream. The result is one gzip member with the header zlib's gzip writer
// makes and the CRC-32 and length of the whole source: any gzip reader takes
// it. Blocks are written out in order as they complete, with a bounded
// number in flight, so memory stays the same whatever the file's size.
#pragma once

namespace protocol {

constexpr unsigned long kGzipBlockSize = 128ul * 1024;
// The most worker threads one compression starts.
constexpr unsigned int kMostGzipThreads = 4;

// Asked between blocks, on the calling thread: true stops the compression.
struct StopQuery {
  bool (*asked)(const void* context) = nullptr;
  const void* context = nullptr;

  bool Asked() const { return asked != nullptr && asked(context); }
};

// Compresses `source` into `gzipFile` (created or replaced) on `threads`
// worker threads (1 to kMostGzipThreads). False when `source` cannot be read,
// the compressed file cannot be written, a thread or buffer cannot be had,
// or `stop` asked; `gzipFile` is then unusable. Every worker thread has
// ended when this returns.
bool GzipFileInBlocks(const char* source, const char* gzipFile, unsigned int threads,
                      StopQuery stop);

// Compresses a pad file for upload: files under four blocks (and machines
// with one processor) go through GzipFile, byte for byte as always; larger
// ones through GzipFileInBlocks on as many threads as there are processors,
// at most kMostGzipThreads.
bool GzipPadFile(const char* source, const char* gzipFile, StopQuery stop);

// Compressor worker threads running in the process now (for tests).
int RunningGzipThreads();

}  // namespace protocol
