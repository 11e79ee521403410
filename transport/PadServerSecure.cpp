// TLS for the exchange: the setting, the tunnel through a proxy and the
// handshake that ends Connect. Inside TLS the requests are the same bytes as
// over plain HTTP.
#include <cstring>

#include "kernel/KernelObjects.h"
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

}  // namespace

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
  int written = os::FormatBounded(line, "CONNECT %s:%u HTTP/1.0\r\n\r\n", host,
                                  static_cast<unsigned int>(serverAddress.Port()));
  // A host that fills the formatter would cut the line short.
  if (written <= 0 || static_cast<std::size_t>(written) >= sizeof line - 1) return kRefused;
  int result = connection.Send(line, written, 0);
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
