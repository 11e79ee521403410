// TLS for the exchange: the setting, the tunnel through a proxy and the
// handshake that ends Connect, and the credentials that go to the server
// inside TLS and to the proxy. Inside TLS the requests are the same bytes as
// over plain HTTP.
#include <cstring>

#include "kernel/KernelObjects.h"
#include "kernel/KernelResources.h"
#include "kernel/KernelText.h"
#include "os/BoundedFormat.h"
#include "transport/PadServer.h"
#include "transport/ReceiveBuffer.h"

namespace {

constexpr int kRefused = -1;

// A host name for the CONNECT line: printable, with no blank that would
// split the line's words.
bool IsAuthorityText(const char* text) {
  if (text == nullptr || *text == '\0') return false;
  for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c != 0; ++c) {
    if (*c <= 0x20 || *c == 0x7F) return false;
  }
  return true;
}

// A Basic token is base64 text: nothing in it can end the header line or
// start another.
bool IsTokenText(const char* text) {
  if (text == nullptr || *text == '\0') return false;
  for (const char* c = text; *c != '\0'; ++c) {
    bool letter = (*c >= 'A' && *c <= 'Z') || (*c >= 'a' && *c <= 'z');
    bool digit = *c >= '0' && *c <= '9';
    if (!letter && !digit && *c != '+' && *c != '/' && *c != '=') return false;
  }
  return true;
}

void ReplaceToken(char*& field, const char* token) {
  if (field != nullptr) FreeString(&field);
  field = IsTokenText(token) ? NewString(kernel::Text(token)) : nullptr;
}

}  // namespace

void PadServer::SetAuthorization(const char* serverToken, const char* proxyToken) {
  ReplaceToken(serverToken_, serverToken);
  ReplaceToken(proxyToken_, proxyToken);
}

int PadServer::SendCredentials(const char* field, const char* token) {
  if (token == nullptr) return 0;
  static constexpr char kScheme[] = ": Basic ";
  std::size_t fieldLength = std::strlen(field);
  std::size_t tokenLength = std::strlen(token);
  std::size_t length = fieldLength + sizeof kScheme - 1 + tokenLength + 2;
  if (length > 0x7FFFFFFFu) return WSAENOBUFS;  // Send takes an int count
  char* line = static_cast<char*>(MwNew(static_cast<unsigned int>(length)));
  if (line == nullptr) return WSAENOBUFS;
  char* at = line;
  std::memcpy(at, field, fieldLength);
  at += fieldLength;
  std::memcpy(at, kScheme, sizeof kScheme - 1);
  at += sizeof kScheme - 1;
  std::memcpy(at, token, tokenLength);
  at += tokenLength;
  std::memcpy(at, "\r\n", 2);
  int result = connection.Send(line, static_cast<int>(length), 0);
  MwDelete(line);
  return result;
}

void PadServer::SetTls(bool on, const char* const* caFiles) {
  tls_ = on;
  ForgetCaFiles();
  int count = 0;
  for (const char* const* file = caFiles; file != nullptr && *file != nullptr; ++file) {
    if (count == kMostCaFiles) break;
    char* copy = NewString(kernel::Text(*file));
    if (copy != nullptr) caFiles_[count++] = copy;
  }
}

void PadServer::ForgetCaFiles() {
  for (char*& file : caFiles_) {
    if (file != nullptr) FreeString(&file);
    file = nullptr;
  }
}

int PadServer::OpenTunnel() {
  const char* host = serverHostName != nullptr ? serverHostName->name : nullptr;
  if (!IsAuthorityText(host)) return kRefused;
  char line[os::kBoundedFormatSize];
  int written = os::FormatBounded(line, "CONNECT %s:%u HTTP/1.0\r\n", host,
                                  static_cast<unsigned int>(serverAddress.Port()));
  // A host that fills the formatter would cut the line short.
  if (written <= 0 || static_cast<std::size_t>(written) >= sizeof line - 1) return kRefused;
  int result = connection.Send(line, written, 0);
  if (result == 0) result = SendCredentials("Proxy-Authorization", proxyToken_);
  if (result == 0) result = connection.Send("\r\n", 2, 0);
  if (result != 0) return result;

  transport::ReceiveBuffer received;
  StartProgress();
  unsigned long long passed = 0;
  result = ReceiveInto(received, ReadPlan::Head(), passed);
  if (result != 0) return result;
  unsigned long length = received.Length();
  char* body = LocateBody(received.Data(), length, false);
  // The server speaks first in nothing: any byte behind the proxy's answer
  // is not the server's.
  if (body == nullptr || length != 0 || StatusCode(received.Data()) != 200) return kRefused;
  return 0;
}

int PadServer::StartSecureExchange() {
  if (viaProxy) {
    int result = OpenTunnel();
    if (result != 0) return result;
    // Inside the tunnel the request line names the path alone, as to the
    // server itself.
    viaProxy = false;
  }
  const char* host = serverHostName != nullptr ? serverHostName->name : nullptr;
  if (host == nullptr) return kRefused;
  return connection.StartTls(host, caFiles_);
}
