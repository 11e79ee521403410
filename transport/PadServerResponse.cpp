// The response half of an exchange: reading a whole response, finding its
// status, header block and body, and picking out the pad server's reply.
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kernel/KernelResources.h"
#include "os/Thread.h"
#include "transport/PadServer.h"
#include "transport/ReceiveBuffer.h"
#include "transport/WaitBounds.h"

using transport::ReceiveBuffer;

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
// there replaces `announced` (one too large for the type reads as its
// largest, which no body reaches); "Content-Length:" at the very end of the
// text means none (0). False when the header holds something else than a
// number (a sign included): the response's framing is broken.
bool ReadContentLength(const char* text, unsigned long& announced) {
  const char* header = std::strstr(text, "Content-Length:");
  if (header == nullptr) return true;
  const char* value = header + sizeof "Content-Length:" - 1;
  value += std::strspn(value, " \t\r\n");
  if (*value == '\0') {
    announced = 0;
    return true;
  }
  if (*value < '0' || *value > '9') return false;
  unsigned long long number = std::strtoull(value, nullptr, 10);
  announced = number > ULONG_MAX ? ULONG_MAX : static_cast<unsigned long>(number);
  return true;
}

// True when `received` holds a head that announces a Content-Length and at
// least that many body bytes.
bool WholeByLength(ReceiveBuffer& received) {
  unsigned long bodyLength = received.Length();
  if (PadServer::LocateBody(received.Data(), bodyLength, false) == nullptr) return false;
  unsigned long announced = ULONG_MAX;
  ReadContentLength(received.Data(), announced);
  return announced != ULONG_MAX && bodyLength >= announced;
}

// Hands the body bytes that `received` holds behind its head to `sink` and
// drops them, adding their count to `passed`. False when the sink refuses.
bool PassBody(ReceiveBuffer& received, PadServer::BodySink& sink, unsigned long long& passed) {
  unsigned long bodyLength = received.Length();
  char* body = PadServer::LocateBody(received.Data(), bodyLength, false);
  if (body == nullptr || bodyLength == 0) return true;
  if (!sink.Take(body, bodyLength)) return false;
  passed += bodyLength;
  received.DropBack(bodyLength);
  return true;
}

// Takes the bytes and keeps nothing.
class DropSink : public PadServer::BodySink {
 public:
  bool Take(const char*, unsigned long) override { return true; }
};

// Keeps the bytes in a buffer.
class BufferSink : public PadServer::BodySink {
 public:
  explicit BufferSink(ReceiveBuffer& buffer) : buffer_(buffer) {}
  bool Take(const char* data, unsigned long count) override { return buffer_.Append(data, count); }

 private:
  ReceiveBuffer& buffer_;
};

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

PadServer::ReadPlan PadServer::ReadPlan::Response() {
  ReadPlan plan;
  plan.limit = kLargestReply;
  plan.awaitFirst = true;
  return plan;
}

PadServer::ReadPlan PadServer::ReadPlan::Head() {
  ReadPlan plan = Response();
  plan.stopAtHead = true;
  return plan;
}

PadServer::ReadPlan PadServer::ReadPlan::Rest(BodySink& sink, unsigned long long whole) {
  ReadPlan plan;
  plan.limit = kReadSize;
  plan.sink = &sink;
  plan.whole = whole;
  return plan;
}

int PadServer::ReceiveInto(ReceiveBuffer& received, const ReadPlan& plan,
                           unsigned long long& passed) {
  bool first = plan.awaitFirst;
  unsigned long long read = 0;
  for (;;) {
    if (!received.Reserve(kReadSize)) return WSAENOBUFS;
    unsigned long searchFrom = received.Length() > 3 ? received.Length() - 3 : 0;
    int count = kReadSize;
    int result = connection.Receive(received.Tail(), count, 0);
    if (result != 0) {
      // A reset right behind a whole answer does not take the answer away.
      bool whole = plan.whole == kByHead ? read > 0 && WholeByLength(received) : read >= plan.whole;
      return whole ? 0 : result;
    }
    if (count > 0) {
      received.Commit(static_cast<unsigned long>(count));
      read += static_cast<unsigned long>(count);
      first = false;
      if (plan.sink != nullptr) {
        if (!plan.sink->Take(received.Data(), received.Length())) return kNoUsableResponse;
        passed += received.Length();
        Count(received.Length());
        received.DropBack(received.Length());
      }
      if (received.Length() > plan.limit) return kNoUsableResponse;
    }
    result = NoteProgress(static_cast<unsigned long>(count));
    if (result != 0) return result;
    if (count > 0) {
      if (plan.stopAtHead && FindBytes(received.Data() + searchFrom, received.Length() - searchFrom,
                                       kHeaderEnd, kHeaderEndLength) != nullptr) {
        return 0;
      }
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
  }
}

int PadServer::ReceiveRaw(char*& text, unsigned long& length) {
  text = nullptr;
  length = 0;
  ReceiveBuffer received;
  StartProgress();
  unsigned long long passed = 0;
  int result = ReceiveInto(received, ReadPlan::Response(), passed);
  if (result != 0) return result;
  responseStatus_ = StatusCode(received.Data());
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
  int result = ReceiveInto(received, ReadPlan::Head(), bodyLength);
  if (result != 0) return result;
  responseStatus_ = StatusCode(received.Data());
  DropSink drop;
  unsigned long announced = ULONG_MAX;
  ReadContentLength(received.Data(), announced);
  if (!PassBody(received, drop, bodyLength)) return kNoUsableResponse;
  unsigned long total = received.Length();
  if (LocateBody(received.Data(), total, false) != nullptr && !connection.PeerClosed()) {
    // The rest of the body, counted and dropped as it comes.
    unsigned long long whole = announced == ULONG_MAX   ? kByHead
                               : announced > bodyLength ? announced - bodyLength
                                                        : 0;
    ReceiveBuffer rest;
    result = ReceiveInto(rest, ReadPlan::Rest(drop, whole), bodyLength);
    if (result != 0) return result;
  }
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

int PadServer::ReceiveSized(ReceiveBuffer& received, BodySink& sink, unsigned long long& length,
                            bool& refused) {
  length = 0;
  refused = false;
  unsigned long announced = 0;
  StartProgress();

  // The head: status line and, for a 200 response, the announced length.
  // It is read to its end before the body is measured against that length.
  const ReadPlan headPlan = ReadPlan::Head();
  for (;;) {
    unsigned long long none = 0;
    int result = ReceiveInto(received, headPlan, none);
    if (result != 0) {
      if (!connection.PeerClosed()) return result;
      if (received.Length() == 0) return kNoUsableResponse;
      break;
    }
    int status = StatusCode(received.Data());
    responseStatus_ = status;
    if (status != 200) {
      // The rest is read and dropped, as a whole response was read before
      // it was judged: the connection ends as the server expects.
      StopCount();  // an error page is no part of the transfer
      DropSink drop;
      ReceiveBuffer rest;
      unsigned long long dropped = 0;
      ReceiveInto(rest, ReadPlan::Rest(drop, kByHead), dropped);
      refused = true;
      return status == 0 ? kNoUsableResponse : 0;
    }
    if (!ReadContentLength(received.Data(), announced)) return kNoUsableResponse;
    SetCountTotal(announced);
    unsigned long total = received.Length();
    if (LocateBody(received.Data(), total, false) != nullptr || connection.PeerClosed()) break;
  }

  // Without the end of its header block, nothing tells the head from the
  // body: the response is unusable, not a body.
  unsigned long total = received.Length();
  if (LocateBody(received.Data(), total, false) == nullptr) return kNoUsableResponse;
  if (!PassBody(received, sink, length)) return kNoUsableResponse;
  Count(length);

  // The body: up to the announced length, and whatever follows it up to the
  // end of the connection (or one read time-out), so that a body longer than
  // announced is returned whole however it was split; without a length, up
  // to the end of the connection. A connection that ends before the
  // announced length leaves a cut body, which must not pass for the whole.
  ReceiveBuffer piece;
  for (;;) {
    bool reached = announced != 0 && length >= announced;
    if (connection.PeerClosed()) return announced != 0 && !reached ? kNoUsableResponse : 0;
    unsigned long long whole = announced == 0 ? kByHead : reached ? 0 : announced - length;
    int result = ReceiveInto(piece, ReadPlan::Rest(sink, whole), length);
    if (result != 0) return connection.PeerClosed() ? kNoUsableResponse : result;
    if (reached) return 0;
  }
}

int PadServer::ReceiveSizedReply(char*& body, unsigned long& length) {
  body = nullptr;
  length = 0;
  ReceiveBuffer received;
  ReceiveBuffer kept;
  BufferSink sink(kept);
  unsigned long long total = 0;
  bool refused = false;
  int result = ReceiveSized(received, sink, total, refused);
  if (result != 0) return result;
  if (refused) {
    body = received.Release();
    return 0;
  }
  // An empty body still comes as a buffer.
  if (!kept.Reserve(0)) return WSAENOBUFS;
  length = kept.Length();
  body = kept.Release();
  return 0;
}

int PadServer::ReceiveSizedBody(BodySink& sink, unsigned long long& length) {
  ReceiveBuffer received;
  bool refused = false;
  return ReceiveSized(received, sink, length, refused);
}
