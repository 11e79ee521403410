// A download's way into its local file: the body as it arrives, written as
// it came or, for a pad file, decompressed on the way.
//
// Decompression reads the gzip format as zlib's gzip file interface does:
// data that does not begin with the gzip magic bytes is written unchanged,
// members that follow one another are all decompressed, and bytes after the
// last member that do not begin another are ignored. The file is created on
// the first byte written, or by Finish; no more than `limit` bytes are ever
// written to it.
#pragma once

#include <cstdio>

#include "transport/PadServer.h"

namespace protocol {

class DownloadFile : public PadServer::BodySink {
 public:
  // `path` must stay valid while the object lives.
  DownloadFile(const char* path, bool decompress, unsigned long long limit);
  ~DownloadFile() override;
  DownloadFile(const DownloadFile&) = delete;
  DownloadFile& operator=(const DownloadFile&) = delete;

  // False when the file cannot be made or written, the data is damaged, or
  // the limit would be passed.
  bool Take(const char* data, unsigned long count) override;
  // Ends the file (creating it empty when nothing came). True when all of it
  // was written and compressed data did not end inside a member.
  bool Finish();
  // Why it failed, a BazaroReason (0 while it has not): the local file,
  // the limit, damaged data, or memory.
  int Cause() const { return cause_; }
  // After a failure: empties the file, if one was made, so that what was
  // written does not stay (a runaway download does not fill the disk).
  void Discard();

 private:
  struct Inflater;

  bool Open();
  // Marks the download failed for `cause`; false, for the caller to return.
  bool Fail(int cause);
  bool Write(const unsigned char* data, std::size_t count);
  bool Decompress(const unsigned char* data, std::size_t count);
  // Writes the carried byte, if any, as plain data.
  bool WriteCarried();
  // Runs the decompressor over `count` bytes; `used` tells how many it took
  // (fewer when a member ended).
  bool Inflate(const unsigned char* data, std::size_t count, std::size_t& used);

  const char* path_;
  bool decompress_;
  unsigned long long limit_;
  unsigned long long written_ = 0;
  std::FILE* file_ = nullptr;
  bool opened_ = false;
  bool failed_ = false;
  int cause_ = 0;
  // Decompression state: the first member decides between gzip and plain
  // data; `carry_` holds a lone byte that may begin a member. (No standard
  // containers here: their code may come from the host program, with another
  // heap than the library's.)
  Inflater* inflater_ = nullptr;
  bool plain_ = false;
  bool firstMember_ = true;
  bool inMember_ = false;
  bool ended_ = false;
  unsigned char carry_ = 0;
  bool carrying_ = false;
};

}  // namespace protocol
