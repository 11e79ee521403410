// The response half of an exchange: reading a whole response, finding its
// status, header block and body, and picking out the pad server's reply.
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>

#include "kernel/KernelResources.h"
#include "os/Thread.h"
#include "transport/PadServer.h"
#include "transport/ReceiveBuffer.h"
#include "transport/WaitBounds.h"

namespace {

// Reads go straight into the response's buffer, as much as is there.
constexpr int kReadSize = 256 * 1024;
constexpr unsigned int kFirstBytePause = 300;  // milliseconds
constexpr char kHeaderEnd[] = "\r\n\r\n";
constexpr std::size_t kHeaderEndLength = 4;
constexpr std::size_t kMarkerLength = sizeof PadServer::kReplyMarker - 1;
// What a connection the peer closed before sending anything reports.
constexpr int kClosedWithoutResponse = WSAECONNRESET;
// What a response that is missing, unreadable or cut short reports.
constexpr int kNoUsableResponse = -1;

// A command reply larger than this is no reply of the pad server's.
constexpr unsigned long kLargestReply = 16ul << 20;
// Less than this in one silence bound is a stalled exchange.
constexpr unsigned long kLowSpeedBytes = 1024;

// The first occurrence of `pattern` within the `length` bytes at `text`.
char* FindBytes(char* text, unsigned long length, const char* pattern, std::size_t patternLength) {
  if (length < patternLength) return nullptr;
  char* last = text + (length - patternLength);
  for (char* at = text; at <= last; ++at) {
    at = static_cast<char*>(std::memchr(at, pattern[0], static_cast<std::size_t>(last - at) + 1));
    if (at == nullptr) return nullptr;
    if (std::memcmp(at, pattern, patternLength) == 0) return at;
  }
  return nullptr;
}

// Reads "Content-Length: <number>" from a response head. A value that is
// there replaces `announced`; "Content-Length:" at the very end of the text
// means none (0); anything else leaves `announced` as it was.
void ReadContentLength(const char* text, unsigned long& announced) {
  const char* header = std::strstr(text, "Content-Length:");
  if (header == nullptr) return;
  unsigned long value = 0;
  int fields = std::sscanf(header, "Content-Length: %lu", &value);
  if (fields == EOF) {
    announced = 0;
  } else if (fields == 1) {
    announced = value;
  }
}

// True when `received` holds a head that announces a Content-Length and at
// least that many body bytes (counting `dropped` ones no longer held).
bool WholeByLength(ReceiveBuffer& received, unsigned long long dropped) {
  unsigned long bodyLength = received.Length();
  if (PadServer::LocateBody(received.Data(), bodyLength, false) == nullptr) return false;
  unsigned long announced = ULONG_MAX;
  ReadContentLength(received.Data(), announced);
  return announced != ULONG_MAX && bodyLength + dropped >= announced;
}

// Once the head has ended, drops the body bytes behind it from `received`,
// adding their count to `dropped`.
void DropBody(ReceiveBuffer& received, unsigned long long& dropped) {
  unsigned long bodyLength = received.Length();
  char* body = PadServer::LocateBody(received.Data(), bodyLength, false);
  if (body == nullptr || bodyLength == 0) return;
  dropped += bodyLength;
  received.DropBack(bodyLength);
}

}  // namespace

int PadServer::NoteProgress(unsigned long count) {
  auto now = std::chrono::steady_clock::now();
  progressBytes_ += count;
  if (progressBytes_ >= kLowSpeedBytes) {
    progressStart_ = now;
    progressBytes_ = 0;
    return 0;
  }
  std::chrono::milliseconds window(transport::CurrentWaitBounds().silenceMilliseconds);
  return now - progressStart_ >= window ? WSAETIMEDOUT : 0;
}

void PadServer::StartProgress() {
  progressStart_ = std::chrono::steady_clock::now();
  progressBytes_ = 0;
}

int PadServer::ReceiveInto(ReceiveBuffer& received, unsigned long limit,
                           unsigned long long* dropped) {
  bool first = true;
  for (;;) {
    if (!received.Reserve(kReadSize)) return WSAENOBUFS;
    int count = kReadSize;
    int result = connection.Receive(received.Tail(), count, 0);
    if (result != 0) {
      // A reset right behind a whole answer does not take the answer away.
      if (!first && WholeByLength(received, dropped != nullptr ? *dropped : 0)) return 0;
      return result;
    }
    if (count > 0) {
      received.Commit(static_cast<unsigned long>(count));
      first = false;
      if (dropped != nullptr) DropBody(received, *dropped);
      if (received.Length() > limit) return kNoUsableResponse;
    } else if (first) {
      // The server may take its time over the first byte, but a peer that
      // has closed will send nothing more.
      if (connection.PeerClosed()) return kClosedWithoutResponse;
      os::SleepMilliseconds(kFirstBytePause);
    } else {
      // One read time-out in silence, or the peer closed: an HTTP/1.0
      // server closes after its response.
      return 0;
    }
    result = NoteProgress(static_cast<unsigned long>(count));
    if (result != 0) return result;
  }
}

int PadServer::ReceiveRaw(char*& text, unsigned long& length) {
  text = nullptr;
  length = 0;
  ReceiveBuffer received;
  StartProgress();
  int result = ReceiveInto(received, kLargestReply, nullptr);
  if (result != 0) return result;
  length = received.Length();
  text = received.Release();
  return 0;
}

int PadServer::ReceiveDiscarded(char*& head, unsigned long& headLength,
                                unsigned long long& bodyLength) {
  head = nullptr;
  headLength = 0;
  bodyLength = 0;
  ReceiveBuffer received;
  StartProgress();
  int result = ReceiveInto(received, kLargestReply, &bodyLength);
  if (result != 0) return result;
  headLength = received.Length();
  head = received.Release();
  return 0;
}

char* PadServer::LocateBody(char* text, unsigned long& length, bool skipMarker) {
  if (text == nullptr) return nullptr;
  char* headerEnd = FindBytes(text, length, kHeaderEnd, kHeaderEndLength);
  if (headerEnd == nullptr) return nullptr;
  char* body = headerEnd + kHeaderEndLength;
  unsigned long bodyLength = length - static_cast<unsigned long>(body - text);
  if (skipMarker && bodyLength >= kMarkerLength &&
      std::memcmp(body, kReplyMarker, kMarkerLength) == 0) {
    body += kMarkerLength;
  }
  length -= static_cast<unsigned long>(body - text);
  return body;
}

int PadServer::StatusCode(const char* text) {
  if (text == nullptr) return 0;
  const char* version = std::strstr(text, "HTTP/");
  if (version == nullptr) return 0;
  int status = 0;
  return std::sscanf(version, "HTTP/%*d.%*d  %d", &status) == 1 ? status : 0;
}

void PadServer::ExtractReply(char* text, unsigned long& length, bool skipMarker) {
  // The reply text ends at the first terminator byte; `length` still counts
  // what follows it.
  void* terminator = std::memchr(text, kTerminator, length);
  if (terminator != nullptr) *static_cast<char*>(terminator) = '\0';
  char* body = LocateBody(text, length, skipMarker);
  if (body != nullptr) {
    // The body and the NUL behind it move to the front of the block, which
    // stays the one the caller frees.
    std::memmove(text, body, length + 1);
  }
}

int PadServer::ReceiveReply(char*& reply, unsigned long& length, bool skipMarker) {
  reply = nullptr;
  char* text = nullptr;
  int result = ReceiveRaw(text, length);
  if (result != 0) return result;
  ExtractReply(text, length, skipMarker);
  reply = text;
  return 0;
}

int PadServer::ReceiveSizedReply(char*& body, unsigned long& length) {
  body = nullptr;
  length = 0;
  ReceiveBuffer received;
  unsigned long announced = 0;
  StartProgress();

  // The head: status line and, for a 200 response, the announced length.
  for (;;) {
    int result = ReceiveInto(received, ULONG_MAX, nullptr);
    if (result != 0) {
      if (!connection.PeerClosed()) return result;
      if (received.Length() == 0) return kNoUsableResponse;
      break;  // a 200 response without a length ends with the connection
    }
    int status = StatusCode(received.Data());
    if (status == 0) return kNoUsableResponse;
    if (status != 200) {
      body = received.Release();
      return 0;
    }
    ReadContentLength(received.Data(), announced);
    // The head is read to its end before the body is measured against the
    // announced length.
    unsigned long total = received.Length();
    bool headEnded = LocateBody(received.Data(), total, false) != nullptr;
    if ((announced != 0 && headEnded) || connection.PeerClosed()) break;
  }

  // Without the end of its header block, nothing tells the head from the
  // body: the response is unusable, not a body.
  unsigned long total = received.Length();
  char* start = LocateBody(received.Data(), total, false);
  if (start == nullptr) return kNoUsableResponse;
  received.DropFront(static_cast<unsigned long>(start - received.Data()));

  // The body, up to the announced length. A connection that ends before it
  // is complete leaves a cut body, which must not pass for the whole.
  while (announced > received.Length()) {
    if (connection.PeerClosed()) return kNoUsableResponse;
    int result = ReceiveInto(received, ULONG_MAX, nullptr);
    // A reset right behind the whole body does not take the body away.
    if (result != 0 && received.Length() >= announced) break;
    if (result != 0) return connection.PeerClosed() ? kNoUsableResponse : result;
  }
  length = received.Length();
  body = received.Release();
  return 0;
}
