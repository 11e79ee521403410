// The readers of a response's head: the status line, the end of the header
// block, the reply marker and the check of a whole response (status 2xx, a
// Content-Length that arrived). Each stays inside the bytes it was given, and
// their answers agree with one another.
#include <cstring>
#include <vector>

#include "FuzzSupport.h"
#include "protocol/ResponseCheck.h"
#include "transport/PadServer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::LiveBlockScope heap;
  // As the transport hands a response over: its bytes and a NUL behind them.
  std::vector<char> response(data, data + size);
  response.push_back('\0');
  char* text = response.data();
  unsigned long length = static_cast<unsigned long>(size);

  int checked = protocol::CheckResponse(text, length);
  if (checked == 0) {
    const char* lineEnd = std::strpbrk(text, "\r\n");
    std::string statusLine(text, lineEnd != nullptr ? lineEnd - text : std::strlen(text));
    int status = PadServer::StatusCode(statusLine.c_str());
    FUZZ_CHECK(status >= 200 && status <= 299);
  }
  // A required length or fewer body bytes never turn a failure into success.
  if (protocol::CheckResponse(text, length, 0, true) == 0) FUZZ_CHECK(checked == 0);
  if (checked == 0 && length > 0) {
    FUZZ_CHECK(protocol::CheckResponse(text, length, 1000000) == 0);
  }

  for (bool skipMarker : {false, true}) {
    unsigned long bodyLength = length;
    char* body = PadServer::LocateBody(text, bodyLength, skipMarker);
    if (body == nullptr) {
      FUZZ_CHECK(bodyLength == length && checked != 0);
      continue;
    }
    FUZZ_CHECK(body >= text + 4 && body + bodyLength == text + length);

    std::vector<char> copy = response;
    unsigned long replyLength = length;
    PadServer::ExtractReply(copy.data(), replyLength, skipMarker);
    FUZZ_CHECK(replyLength == bodyLength);
    FUZZ_CHECK(std::strlen(copy.data()) <= replyLength);
  }
  return 0;
}
