#include "protocol/Exchange.h"

#include <cstring>

#include "kernel/KernelResources.h"
#include "protocol/ResponseCheck.h"

namespace protocol {

Exchange& Exchange::Head(const char* cgiName, unsigned long bodyLength, bool terminated) {
  if (result_ == 0)
    result_ = server_.SendRequestHead(PadServer::kPost, cgiName, bodyLength, terminated);
  return *this;
}

Exchange& Exchange::FileHead(const char* path) {
  if (result_ == 0) result_ = server_.SendFileRequestHead(PadServer::kGet, path);
  return *this;
}

Exchange& Exchange::Body(const char* data, unsigned long length, bool terminated) {
  if (result_ == 0) result_ = server_.SendBody(data, length, terminated);
  return *this;
}

Exchange& Exchange::Reply(char*& reply) {
  reply = nullptr;
  if (result_ != 0) return *this;
  unsigned long length = 0;
  result_ = server_.ReceiveRaw(reply, length);
  if (result_ == 0) result_ = CheckResponse(reply, length);
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
    char* text = nullptr;
    unsigned long length = 0;
    result_ = server_.ReceiveRaw(text, length);
    if (result_ == 0) result_ = CheckResponse(text, length);
    MwDelete(text);
  }
  return *this;
}

Exchange& Exchange::Sized(char*& body, unsigned long& length) {
  body = nullptr;
  length = 0;
  if (result_ == 0) result_ = server_.ReceiveSizedReply(body, length);
  return *this;
}

int Exchange::Finish() {
  // A failed connect may have left a socket behind; it is closed as well.
  int closed = server_.Disconnect();
  return result_ != 0 ? result_ : closed;
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
