#include "padserver/HttpResponse.h"

#include <algorithm>

#include "padserver/ReplyWriter.h"

namespace padserver {

namespace {

const char* ReasonPhrase(int code) {
  switch (code) {
    case 200:
      return "OK";
    case kBadRequest:
      return "Bad Request";
    case kForbidden:
      return "Forbidden";
    case kNotFound:
      return "Not Found";
    case kMethodNotAllowed:
      return "Method Not Allowed";
    case kRequestTimeout:
      return "Request Timeout";
    case kPayloadTooLarge:
      return "Payload Too Large";
    case kUnavailable:
      return "Service Unavailable";
    case kInsufficientStorage:
      return "Insufficient Storage";
    default:
      return "Internal Server Error";
  }
}

std::string Head(int code, const char* contentType, std::uint64_t length, const char* extra = "") {
  std::string head = "Status: " + std::to_string(code) + " " + ReasonPhrase(code) + "\r\n";
  head += extra;
  head += "Content-Type: ";
  head += contentType;
  head += "\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n";
  return head;
}

}  // namespace

bool WriteReply(RequestStreams& out, const Status& status, const std::string& text,
                const char* allow) {
  std::string body = kReplyMarker;
  body += status.IsOk() ? text : WriteError(status.reason);
  std::string extra =
      status.code == kMethodNotAllowed ? std::string("Allow: ") + allow + "\r\n" : std::string();
  std::string response = Head(status.code, "text/plain", body.size(), extra.c_str()) + body;
  return out.Write(response.data(), response.size());
}

bool WriteFileReply(RequestStreams& out, FileReader& file, bool download, bool headOnly) {
  std::uint64_t size = file.Size();
  std::string head = Head(200, "application/octet-stream", size,
                          download ? "X-Content-Type-Options: nosniff\r\n"
                                     "Content-Disposition: attachment\r\n"
                                   : "");
  if (!out.Write(head.data(), head.size())) return false;
  if (headOnly) return true;
  char chunk[65536];
  while (size > 0) {
    std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof chunk, size));
    long got = file.Read(chunk, want);
    if (got <= 0) return false;
    if (!out.Write(chunk, static_cast<std::size_t>(got))) return false;
    size -= static_cast<std::uint64_t>(got);
  }
  return true;
}

}  // namespace padserver
