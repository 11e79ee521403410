// Decompressing a download: the streaming decompressor, fed the input in
// pieces of any size, writes what zlib's gzip file interface makes of the
// same bytes, never more than its limit; and any data compressed by the
// upload's compressor comes back unchanged.
//
// The first input byte chooses the piece sizes; the rest is the download.
#include <algorithm>

#include "FuzzSupport.h"
#include "ScratchDirectory.h"
#include "protocol/DownloadFile.h"
#include "protocol/GzipFile.h"

namespace {

constexpr unsigned long long kLimit = 1 << 20;

// Streams `data` through a DownloadFile into `path` in pieces of a size
// chosen by `pattern`. True when every piece was taken and the file ended.
bool Download(const std::string& path, const std::uint8_t* data, std::size_t size,
              unsigned pattern) {
  protocol::DownloadFile file(path.c_str(), true, kLimit);
  std::size_t at = 0;
  for (unsigned step = 0; at < size; ++step) {
    std::size_t piece = 1 + ((pattern >> (step % 8)) & 7) * ((pattern & 1) ? 1 : 97);
    piece = std::min(piece, size - at);
    if (!file.Take(reinterpret_cast<const char*>(data) + at, static_cast<unsigned long>(piece))) {
      return false;
    }
    at += piece;
  }
  return file.Finish();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  fuzz::LiveBlockScope heap;
  unsigned pattern = data[0];
  ++data;
  --size;

  std::string streamed = fuzz::ScratchFile("streamed");
  bool streamedOk = Download(streamed, data, size, pattern);
  std::string streamedText = ReadWholeFile(streamed);
  FUZZ_CHECK(streamedText.size() <= kLimit);

  std::string input = fuzz::WriteScratchFile("download.gz", data, size);
  std::string whole = fuzz::ScratchFile("whole");
  if (streamedOk && GunzipFile(input.c_str(), whole.c_str())) {
    FUZZ_CHECK(ReadWholeFile(whole) == streamedText);
  }

  std::string compressed = fuzz::ScratchFile("upload.gz");
  FUZZ_CHECK(GzipFile(input.c_str(), compressed.c_str()));
  std::string packed = ReadWholeFile(compressed);
  std::string unpacked = fuzz::ScratchFile("unpacked");
  FUZZ_CHECK(Download(unpacked, reinterpret_cast<const std::uint8_t*>(packed.data()), packed.size(),
                      pattern));
  FUZZ_CHECK(ReadWholeFile(unpacked) == std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
