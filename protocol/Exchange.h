// One HTTP/1.0 exchange of a command or transfer, step by step.
//
// The steps are called in the order of an exchange; after the first failing
// step the later ones do nothing, and Finish disconnects on every path and
// returns the first failing step's result, or Disconnect's when all went
// well. A server that answers and resets before it has read the whole
// request is still heard: a send that fails with a reset ends the sending,
// and the answer counts when it arrived whole by its Content-Length.
// Reading fails with -1 when the response is not a whole successful one
// (CheckResponse): a refusal or a broken answer is not the server's reply.
// Buffers received through Reply and Sized belong to the caller (free
// them with MwDelete, also after a failure).
#pragma once

#include "transport/PadServer.h"

namespace protocol {

class Exchange {
 public:
  // Connects.
  explicit Exchange(PadServer& server) : server_(server), result_(server.Connect()) {}
  ~Exchange() = default;
  Exchange(const Exchange&) = delete;
  Exchange& operator=(const Exchange&) = delete;

  Exchange& Head(const char* cgiName, unsigned long bodyLength, bool terminated);
  Exchange& FileHead(const char* path);
  Exchange& Body(const char* data, unsigned long length, bool terminated);
  // The reply text behind the marker; null when the response was refused
  // or broken.
  Exchange& Reply(char*& reply);
  // Reads the whole response, checks it and drops it.
  Exchange& Discard();
  // The body of a status-200 response; another status gives `length` 0.
  Exchange& Sized(char*& body, unsigned long& length);
  // The same, the body going to `sink` as it arrives; `length` counts it.
  Exchange& Stream(PadServer::BodySink& sink, unsigned long long& length);

  int Finish();

 private:
  // Takes a send step's result. A reset is held back, since the server's
  // answer may already wait to be read.
  void Sent(int result);
  bool Sending() const;
  // Checks a response read after the request (or a reset while sending it).
  void Received(const char* text, unsigned long length, unsigned long long dropped);
  // A download answered before its request was sent whole is no answer to it.
  void SettleSendFailure();

  PadServer& server_;
  int result_;
  int sendFailure_ = 0;  // a reset while sending, not yet settled by a read
};

// One pad command: `command` as a terminated body to pad-cgi. With `reply`
// the reply text is read into it, otherwise the response is dropped.
int RunCommand(PadServer& server, const char* command, char** reply);

}  // namespace protocol
