#include "protocol/DownloadFile.h"

#include <zlib.h>

#include "bazaro/Reason.h"

namespace protocol {

namespace {

constexpr unsigned char kMagic[] = {0x1F, 0x8B};
constexpr int kGzipWindow = 15 + 16;  // deflate's largest window, gzip wrapper
constexpr std::size_t kOutputBlock = 64 * 1024;

}  // namespace

struct DownloadFile::Inflater {
  z_stream stream{};
  bool ready = false;
  unsigned char out[kOutputBlock];
};

DownloadFile::DownloadFile(const char* path, bool decompress, unsigned long long limit)
    : path_(path), decompress_(decompress), limit_(limit) {}

DownloadFile::~DownloadFile() {
  if (file_ != nullptr) std::fclose(file_);
  if (inflater_ != nullptr && inflater_->ready) inflateEnd(&inflater_->stream);
  delete inflater_;
}

bool DownloadFile::Open() {
  if (!opened_) {
    opened_ = true;
    file_ = std::fopen(path_, "wb");
    if (file_ == nullptr) Fail(kReasonLocalFile);
  }
  return !failed_;
}

bool DownloadFile::Fail(int cause) {
  failed_ = true;
  if (cause_ == 0) cause_ = cause;
  return false;
}

bool DownloadFile::Write(const unsigned char* data, std::size_t count) {
  if (count == 0) return true;
  if (count > limit_ - written_) return Fail(kReasonTooLarge);
  if (std::fwrite(data, 1, count, file_) != count) Fail(kReasonLocalFile);
  written_ += count;
  return !failed_;
}

bool DownloadFile::Take(const char* data, unsigned long count) {
  if (!Open()) return false;
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
  if (!decompress_ || plain_) return Write(bytes, count);
  return Decompress(bytes, count);
}

bool DownloadFile::WriteCarried() {
  if (!carrying_) return true;
  carrying_ = false;
  return Write(&carry_, 1);
}

bool DownloadFile::Decompress(const unsigned char* data, std::size_t count) {
  while (count > 0 && !ended_) {
    if (!inMember_) {
      // Two bytes tell whether a member begins.
      if (!carrying_ && count < 2) {
        carry_ = data[0];
        carrying_ = true;
        return true;
      }
      unsigned char first = carrying_ ? carry_ : data[0];
      unsigned char second = carrying_ ? data[0] : data[1];
      if (first != kMagic[0] || second != kMagic[1]) {
        if (!firstMember_) {
          ended_ = true;  // trailing bytes, ignored
          return true;
        }
        plain_ = true;
        return WriteCarried() && Write(data, count);
      }
      if (inflater_ == nullptr) inflater_ = new Inflater;
      int started = inflater_->ready ? inflateReset(&inflater_->stream)
                                     : inflateInit2(&inflater_->stream, kGzipWindow);
      if (started != Z_OK) return Fail(kReasonOutOfMemory);
      inflater_->ready = true;
      inMember_ = true;
      firstMember_ = false;
      if (carrying_) {
        carrying_ = false;
        std::size_t used = 0;
        if (!Inflate(&carry_, 1, used)) return false;
      }
    }
    std::size_t used = 0;
    if (!Inflate(data, count, used)) return false;
    data += used;
    count -= used;
  }
  return true;
}

bool DownloadFile::Inflate(const unsigned char* data, std::size_t count, std::size_t& used) {
  z_stream& stream = inflater_->stream;
  stream.next_in = const_cast<unsigned char*>(data);
  stream.avail_in = static_cast<uInt>(count);
  for (;;) {
    stream.next_out = inflater_->out;
    stream.avail_out = kOutputBlock;
    int result = inflate(&stream, Z_NO_FLUSH);
    if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
      return Fail(result == Z_MEM_ERROR ? kReasonOutOfMemory : kReasonBrokenReply);
    }
    if (!Write(inflater_->out, kOutputBlock - stream.avail_out)) return false;
    if (result == Z_STREAM_END) {
      inMember_ = false;
      break;
    }
    // All input taken and room left over: the member goes on in later data.
    if (stream.avail_in == 0 && stream.avail_out != 0) break;
  }
  used = count - stream.avail_in;
  return true;
}

bool DownloadFile::Finish() {
  if (!Open()) return false;
  // Fewer than two bytes in all are plain data; a lone byte after a member
  // is ignored, as trailing bytes are.
  if (firstMember_) WriteCarried();
  // A member cut short is a broken reply; a file that does not close whole
  // is the disk's failure.
  if (!failed_ && inMember_) Fail(kReasonBrokenReply);
  bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!closed) Fail(kReasonLocalFile);
  return !failed_;
}

void DownloadFile::Discard() {
  if (!opened_) return;
  if (file_ != nullptr) std::fclose(file_);
  file_ = std::fopen(path_, "wb");
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

}  // namespace protocol
