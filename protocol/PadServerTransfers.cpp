// The pad file and file transfers: pad files travel gzip-compressed to
// pad-gzput-cgi and from pad-gzget-cgi, other files as they are to
// pad-upload-cgi and from the server's file directory.
#include <atomic>
#include <cstring>

#include "bazaro/Reason.h"
#include "kernel/KernelResources.h"
#include "kernel/KernelText.h"
#include "os/BoundedFormat.h"
#include "protocol/DownloadFile.h"
#include "protocol/Exchange.h"
#include "protocol/KernelBuffer.h"
#include "protocol/LocalFile.h"
#include "protocol/ParallelGzip.h"
#include "protocol/ScopedTempFile.h"
#include "transport/PadServer.h"

using protocol::DownloadFile;
using protocol::Exchange;
using protocol::KernelBuffer;
using protocol::LoadFile;
using protocol::ScopedTempFile;

namespace {

constexpr std::size_t kLineSize = 4096;
// The compressed pad is read and sent this many bytes at a time.
constexpr unsigned int kUploadPieceSize = 64 * 1024;
// A body's length travels as a 32-bit count, as the platform's sizes do; a
// file goes out only when it fits one together with its name line, whatever
// the width of unsigned long.
constexpr unsigned long kLargestBody = 0xFFFFFFFFul;

// The most a download may write to its local file.
std::atomic<unsigned long long> downloadLimit{PadServer::kDefaultDownloadLimit};

// A remote name goes into the header line "FILE_NAME = <name>\n" or into the
// request path, so CR, LF or another control character in it would end that
// line early and add lines of the sender's choosing. Such names are refused.
bool CanTravel(const char* remoteName) {
  if (remoteName == nullptr) return false;
  for (const unsigned char* c = reinterpret_cast<const unsigned char*>(remoteName); *c != 0; ++c) {
    if (*c < 0x20 || *c == 0x7F) return false;
  }
  return true;
}

// True when `text` and `fixed` more characters fit one bounded-format line;
// a longer line would be cut, changing the name the server sees (and, for
// the header line, dropping the line end between the name and the data).
bool FitsLine(const char* text, std::size_t fixed) {
  return std::strlen(text) + fixed <= static_cast<std::size_t>(os::kBoundedFormatSize - 1);
}

// Streams the sized reply of `exchange` into `file` and finishes both. The
// body goes to the file as it arrives; another status than 200 leaves the
// file empty, and the answer false, as does a failure after data came.
bool Download(PadServer& server, Exchange& exchange, DownloadFile& file) {
  unsigned long long length = 0;
  exchange.Stream(file, length);
  bool stored = exchange.Finish() == 0 && file.Finish();
  server.NoteCause(file.Cause());
  if (stored) return length > 0;
  file.Discard();
  return false;
}

}  // namespace

// The exchange is counted from its connection on, so that the count starts
// at 0 whatever an earlier transfer of this object left.
int PadServer::SendCounted(const char* cgiName, const char* line, unsigned long lineLength,
                           const char* data, unsigned long length) {
  Exchange exchange(*this);
  StartCount(static_cast<unsigned long long>(lineLength) + length);
  exchange.Head(cgiName, lineLength + length, false)
      .Body(line, lineLength, false)
      .Body(data, length, false)
      .Discard();
  StopCount();
  return exchange.Finish();
}

int PadServer::UploadPad(unsigned long id, const char* padFile) {
  ScopedTempFile compressed;
  protocol::StopQuery cutOff;
  cutOff.asked = [](const void* server) {
    return static_cast<const PadServer*>(server)->WasCutOff();
  };
  cutOff.context = this;
  // A pad file that cannot be read is not sent as an empty one: that would
  // replace the server's copy of the pad with nothing.
  if (compressed.Name() == nullptr || padFile == nullptr ||
      !protocol::GzipPadFile(padFile, compressed.Name(), cutOff)) {
    if (!WasCutOff()) NoteCause(kReasonLocalFile);
    return -1;
  }
  char line[kLineSize];
  unsigned long lineLength =
      static_cast<unsigned long>(os::FormatBounded(line, "FILE_NAME = %lu.pad\n", id));
  // The compressed pad goes out in pieces, so that memory stays the same
  // whatever the pad's size.
  MwPath path(kernel::Text(compressed.Name()), nullptr);
  MwFile file(&path);
  KernelBuffer piece(static_cast<char*>(MwNew(kUploadPieceSize)));
  if (piece == nullptr || !file.OpenRead()) {
    NoteCause(kReasonLocalFile);
    return -1;
  }
  unsigned long length = file.FileLength();
  if (length > kLargestBody - lineLength) {
    file.Close();
    NoteCause(kReasonLocalFile);
    return -1;
  }
  Exchange exchange(*this);
  StartCount(static_cast<unsigned long long>(lineLength) + length);
  exchange.Head(kPadGzPutCgi, lineLength + length, false).Body(line, lineLength, false);
  unsigned long sent = 0;
  while (sent < length) {
    unsigned long count = length - sent < kUploadPieceSize ? length - sent : kUploadPieceSize;
    if (file.Read(piece.get(), count) != count) break;
    exchange.Body(piece.get(), count, false);
    sent += count;
  }
  file.Close();
  // A body cut short is never completed by the server's answer: the
  // connection is closed without reading one.
  if (sent == length) exchange.Discard();
  StopCount();
  int result = exchange.Finish();
  if (sent == length) return result;
  // Only a read of the temporary file stops the loop short.
  NoteCause(kReasonLocalFile);
  return -1;
}

bool PadServer::DownloadPad(unsigned long id, const char* localFile) {
  if (localFile == nullptr) return false;
  char body[kLineSize];
  int bodyLength = os::FormatBounded(body, "%s/%lu.pad", kPadDirectory, id);
  DownloadFile file(localFile, true, DownloadLimit());
  Exchange exchange(*this);
  exchange.Head(kPadGzGetCgi, static_cast<unsigned long>(bodyLength), false)
      .Body(body, static_cast<unsigned long>(bodyLength), false);
  StartCount(0);
  bool stored = Download(*this, exchange, file);
  StopCount();
  return stored;
}

unsigned char PadServer::PutFile(const char* remoteName, const char* localFile) {
  if (!CanTravel(remoteName) || !FitsLine(remoteName, std::strlen("FILE_NAME = \n")) ||
      localFile == nullptr) {
    NoteCause(kReasonBadArgument);
    return 0xFF;
  }
  char line[kLineSize];
  unsigned long lineLength =
      static_cast<unsigned long>(os::FormatBounded(line, "FILE_NAME = %s\n", remoteName));
  unsigned long length = 0;
  KernelBuffer data = LoadFile(localFile, length, kLargestBody - lineLength);
  if (data == nullptr) {
    NoteCause(kReasonLocalFile);
    return 0xFF;
  }
  int result = SendCounted(kPadUploadCgi, line, lineLength, data.get(), length);
  if (result == 0) return 0;
  // A failure must not read as success when its low bits happen to be 0.
  unsigned char code = static_cast<unsigned char>(result & 0xFF);
  return code != 0 ? code : 0xFF;
}

bool PadServer::GetFile(const char* remoteName, const char* localFile) {
  char path[kLineSize];
  if (!CanTravel(remoteName) || !FitsLine(remoteName, std::strlen(kMiscDirectory) + 1) ||
      localFile == nullptr) {
    NoteCause(kReasonBadArgument);
    return false;
  }
  os::FormatBounded(path, "%s/%s", kMiscDirectory, remoteName);
  DownloadFile file(localFile, false, DownloadLimit());
  Exchange exchange(*this);
  exchange.FileHead(path);
  StartCount(0);
  bool stored = Download(*this, exchange, file);
  StopCount();
  return stored;
}

void PadServer::SetDownloadLimit(unsigned long long bytes) { downloadLimit = bytes; }

unsigned long long PadServer::DownloadLimit() { return downloadLimit; }
