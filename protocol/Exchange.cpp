#include "protocol/Exchange.h"

#include <cstring>

#include "kernel/KernelResources.h"
#include "protocol/ResponseCheck.h"

namespace protocol {

namespace {

// A server may answer and close before it has read the whole request; the
// send then fails with a reset, but its answer may still be there to read.
bool AnswerMayWait(int sendResult) {
  return sendResult == WSAECONNRESET || sendResult == WSAECONNABORTED;
}

}  // namespace

void Exchange::Sent(int result) {
  if (AnswerMayWait(result)) {
    sendFailure_ = result;
  } else {
    result_ = result;
  }
}

bool Exchange::Sending() const { return result_ == 0 && sendFailure_ == 0; }

Exchange& Exchange::Head(const char* cgiName, unsigned long bodyLength, bool terminated) {
  if (Sending()) Sent(server_.SendRequestHead(PadServer::kPost, cgiName, bodyLength, terminated));
  return *this;
}

Exchange& Exchange::FileHead(const char* path) {
  if (Sending()) Sent(server_.SendFileRequestHead(PadServer::kGet, path));
  return *this;
}

Exchange& Exchange::Body(const char* data, unsigned long length, bool terminated) {
  if (Sending()) Sent(server_.SendBody(data, length, terminated));
  return *this;
}

void Exchange::Received(const char* text, unsigned long length, unsigned long long dropped) {
  // After a failed send only an answer whole by its Content-Length counts:
  // without one, nothing tells a whole answer from a cut one.
  if (result_ == 0) result_ = CheckResponse(text, length, dropped, sendFailure_ != 0);
  if (result_ != 0 && sendFailure_ != 0) result_ = sendFailure_;
  sendFailure_ = 0;
}

Exchange& Exchange::Reply(char*& reply) {
  reply = nullptr;
  if (result_ != 0) return *this;
  unsigned long length = 0;
  result_ = server_.ReceiveRaw(reply, length);
  Received(reply, length, 0);
  if (result_ == 0) {
    PadServer::ExtractReply(reply, length, true);
  } else {
    // Nothing of a refused or broken response may be read as a reply.
    MwDelete(reply);
    reply = nullptr;
  }
  return *this;
}

Exchange& Exchange::Discard() {
  if (result_ == 0) {
    // Only the head is kept: the body is read and counted, not stored.
    char* head = nullptr;
    unsigned long length = 0;
    unsigned long long dropped = 0;
    result_ = server_.ReceiveDiscarded(head, length, dropped);
    Received(head, length, dropped);
    MwDelete(head);
  }
  return *this;
}

Exchange& Exchange::Sized(char*& body, unsigned long& length) {
  body = nullptr;
  length = 0;
  if (result_ == 0) result_ = server_.ReceiveSizedReply(body, length);
  SettleSendFailure();
  return *this;
}

Exchange& Exchange::Stream(PadServer::BodySink& sink, unsigned long long& length) {
  length = 0;
  if (result_ == 0) result_ = server_.ReceiveSizedBody(sink, length);
  SettleSendFailure();
  return *this;
}

void Exchange::SettleSendFailure() {
  if (sendFailure_ != 0) result_ = sendFailure_;
  sendFailure_ = 0;
}

int Exchange::Finish() {
  // A failed connect may have left a socket behind; it is closed as well.
  int closed = server_.Disconnect();
  if (result_ == 0) result_ = sendFailure_;
  int result = result_ != 0 ? result_ : closed;
  server_.NoteExchange(result);
  return result;
}

int RunCommand(PadServer& server, const char* command, char** reply) {
  unsigned long length = static_cast<unsigned long>(std::strlen(command));
  Exchange exchange(server);
  exchange.Head(PadServer::kPadCgi, length, true).Body(command, length, true);
  if (reply != nullptr) {
    exchange.Reply(*reply);
  } else {
    exchange.Discard();
  }
  return exchange.Finish();
}

}  // namespace protocol
