// The request half of an exchange: the request line, the header block and
// the body, each in separate sends, byte for byte as the pad server expects
// them (HTTP/1.0, "Content-type" and "Content-length" behind any credentials,
// the header block ended by CR LF and a lone LF).
#include <cstring>

#include "kernel/KernelResources.h"
#include "os/BoundedFormat.h"
#include "transport/PadServer.h"

namespace {

// "http://host:port" must fit a 128-byte buffer with its NUL.
constexpr std::size_t kLongestPrefix = 127;
// The bounded formatter writes at most this many characters.
constexpr std::size_t kLongestLine = os::kBoundedFormatSize - 1;
constexpr char kVersionAndLineEnd[] = " HTTP/1.0\r\n";
constexpr char kHeaderBlock[] =
    "Content-type: application/x-www-form-urlencoded\r\nContent-length: %lu\r\n\n";
// Connection::Send takes an int count; longer bodies go in several sends.
constexpr unsigned long kLargestSend = 0x40000000ul;
constexpr unsigned long kCountedSend = 0x10000ul;

// A text bound for the request line must not carry CR, LF or any other
// control character: it could end the line early and add lines of its own.
bool IsRequestLineText(const char* text) {
  if (text == nullptr) return false;
  for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c != 0; ++c) {
    if (*c < 0x20 || *c == 0x7F) return false;
  }
  return true;
}

}  // namespace

int PadServer::SendRequestHead(const char* method, const char* cgiName, unsigned long bodyLength,
                               bool terminated) {
  if (terminated) ++bodyLength;
  return SendHead(method, cgiPath != nullptr ? cgiPath : "", cgiName, bodyLength);
}

int PadServer::SendFileRequestHead(const char* method, const char* path) {
  return SendHead(method, path, "", 0);
}

int PadServer::SendHead(const char* method, const char* directory, const char* name,
                        unsigned long announced) {
  // Everything is checked before the first byte goes out.
  char prefix[os::kBoundedFormatSize] = "";
  if (viaProxy) {
    const char* host = serverHostName != nullptr ? serverHostName->name : nullptr;
    if (!IsRequestLineText(host)) return -1;
    int written = os::FormatBounded(prefix, "http://%s:%u", host,
                                    static_cast<unsigned int>(serverAddress.Port()));
    if (static_cast<std::size_t>(written) > kLongestPrefix) return -1;
  }
  if (!IsRequestLineText(method) || !IsRequestLineText(directory) || !IsRequestLineText(name)) {
    return -1;
  }
  // A longer line would be cut by the formatter and name another target.
  std::size_t lineLength = std::strlen(method) + 1 + std::strlen(prefix) + std::strlen(directory) +
                           std::strlen(name) + std::strlen(kVersionAndLineEnd);
  if (lineLength > kLongestLine) return -1;

  char line[4096];
  int written = os::FormatBounded(line, "%s %s%s%s HTTP/1.0\r\n", method, prefix, directory, name);
  int result = connection.Send(line, written, 0);
  // The server's credentials only where nobody on the way can read them;
  // the proxy's only where the proxy itself reads the request.
  if (result == 0 && tls_ && connection.Secure()) {
    result = SendCredentials("Authorization", serverToken_);
  }
  if (result == 0 && viaProxy) result = SendCredentials("Proxy-Authorization", proxyToken_);
  if (result != 0) return result;
  written = os::FormatBounded(line, kHeaderBlock, announced);
  return connection.Send(line, written, 0);
}

int PadServer::SendBody(const char* data, unsigned long length, bool terminated) {
  if (terminated) {
    // One send of the body and its terminator byte.
    if (length >= 0xFFFFFFFFul) return WSAENOBUFS;
    char* copy = static_cast<char*>(MwNew(static_cast<unsigned int>(length + 1)));
    if (copy == nullptr) return WSAENOBUFS;
    if (length > 0) std::memcpy(copy, data, length);
    copy[length] = static_cast<char>(kTerminator);
    int result = SendBody(copy, length + 1, false);
    MwDelete(copy);
    return result;
  }
  // A counted transfer goes in smaller pieces, so that its count grows
  // while it moves.
  const unsigned long largest = counting_ ? kCountedSend : kLargestSend;
  do {
    unsigned long piece = length < largest ? length : largest;
    int result = connection.Send(data, static_cast<int>(piece), 0);
    if (result != 0) return result;
    Count(piece);
    data += piece;
    length -= piece;
  } while (length > 0);
  return 0;
}
