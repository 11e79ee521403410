#include "protocol/GzipFile.h"

#include <cstdio>

#include <zlib.h>

namespace {

constexpr unsigned int kBlockSize = 4096;

}  // namespace

bool GzipFile(const char* source, const char* gzipFile) {
  std::FILE* in = std::fopen(source, "rb");
  if (in == nullptr) return false;
  gzFile out = gzopen(gzipFile, "wb");
  if (out == nullptr) {
    std::fclose(in);
    return false;
  }
  char block[kBlockSize];
  bool complete = true;
  std::size_t count;
  do {
    count = std::fread(block, 1, sizeof block, in);
    // gzwrite answers 0 both for an error and for nothing to write.
    if (count > 0 &&
        gzwrite(out, block, static_cast<unsigned int>(count)) != static_cast<int>(count)) {
      complete = false;
      break;
    }
  } while (count == sizeof block);
  if (std::ferror(in)) complete = false;
  // Closing writes the trailer; a failure there leaves an unreadable file.
  if (gzclose(out) != Z_OK) complete = false;
  std::fclose(in);
  return complete;
}

bool GunzipFile(const char* gzipFile, const char* target) {
  std::FILE* out = std::fopen(target, "wb");
  if (out == nullptr) return false;
  gzFile in = gzopen(gzipFile, "rb");
  if (in == nullptr) {
    std::fclose(out);
    return false;
  }
  char block[kBlockSize];
  bool complete = true;
  for (;;) {
    int count = gzread(in, block, sizeof block);
    if (count < 0) {
      complete = false;
      break;
    }
    if (count == 0) break;
    if (std::fwrite(block, 1, static_cast<std::size_t>(count), out) !=
        static_cast<std::size_t>(count)) {
      complete = false;
      break;
    }
  }
  // A stream cut short shows only here, as Z_BUF_ERROR.
  if (gzclose(in) != Z_OK) complete = false;
  if (std::fclose(out) != 0) complete = false;
  return complete;
}
