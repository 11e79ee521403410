// Real exchanges with lighttpd, directly and through tinyproxy:
//
//   transport_smoke WEB-PORT PROXY-PORT
//
// The server holds cgi-bin/echo.cgi, which answers with what the request
// looked like, and misc/lines.txt with the lines "line 1" to "line 5000".
// Prints one line per check; exits 0 when every check passed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "mkres/MwMemory.h"
#include "transport/PadServer.h"

namespace {

int failures = 0;

void Check(bool passed, const char* what, const std::string& detail = std::string()) {
  std::printf("%s: %s%s%s\n", passed ? "ok" : "FAILED", what, detail.empty() ? "" : " -- ",
              detail.c_str());
  if (!passed) ++failures;
}

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : bytes) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

// Sends `command` as a terminated command to echo.cgi; the reply text, or
// "error N".
std::string Command(PadServer& server, const std::string& command) {
  int result = server.Connect();
  if (result == 0) {
    result = server.SendRequestHead(PadServer::kPost, "echo.cgi",
                                    static_cast<unsigned long>(command.size()), true);
  }
  if (result == 0) {
    result = server.SendBody(command.data(), static_cast<unsigned long>(command.size()), true);
  }
  std::string text;
  if (result == 0) {
    char* reply = nullptr;
    unsigned long length = 0;
    result = server.ReceiveReply(reply, length, true);
    if (reply != nullptr) text = reply;
    MwDelete(reply);
  }
  server.Disconnect();
  return result == 0 ? text : "error " + std::to_string(result);
}

// Fetches `path` with a GET; the body in `body`, the result returned.
int Fetch(PadServer& server, const char* path, std::string& body) {
  body.clear();
  int result = server.Connect();
  if (result == 0) result = server.SendFileRequestHead(PadServer::kGet, path);
  if (result == 0) {
    char* data = nullptr;
    unsigned long length = 0;
    result = server.ReceiveSizedReply(data, length);
    if (result == 0 && data != nullptr) body.assign(data, length);
    MwDelete(data);
  }
  server.Disconnect();
  return result;
}

std::string ExpectedLines() {
  std::string lines;
  for (int i = 1; i <= 5000; ++i) lines += "line " + std::to_string(i) + "\n";
  return lines;
}

void RunChecks(PadServer& server, const std::string& via, const char* label) {
  std::string prefix = std::string(label) + ": ";
  const std::string command = "GetNewPadID\n";
  std::string reply = Command(server, command);
  std::string expected =
      "method=POST uri=/cgi-bin/echo.cgi length=13 body=" + Hex(command + "\xFF") + " via=" + via;
  Check(reply == expected, (prefix + "command reply").c_str(), reply);

  std::string body;
  int result = Fetch(server, "/misc/lines.txt", body);
  Check(result == 0 && body == ExpectedLines(), (prefix + "static file").c_str(),
        "result " + std::to_string(result) + ", " + std::to_string(body.size()) + " bytes");

  result = Fetch(server, "/misc/missing.txt", body);
  Check(result == 0 && body.empty(), (prefix + "missing file gives an empty transfer").c_str(),
        "result " + std::to_string(result));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s WEB-PORT PROXY-PORT\n", argv[0]);
    return 2;
  }
  unsigned short webPort = static_cast<unsigned short>(std::atoi(argv[1]));
  unsigned short proxyPort = static_cast<unsigned short>(std::atoi(argv[2]));
  {
    PadServer server;
    server.SetServer("127.0.0.1", webPort, "/cgi-bin/");
    RunChecks(server, "", "direct");

    PadServer::SetProxy("127.0.0.1", proxyPort, nullptr);
    RunChecks(server, "proxy", "through the proxy");

    // A server whose name holds the pattern is reached directly again.
    PadServer::SetProxy(nullptr, 0, "127.0.0");
    std::string reply = Command(server, "x");
    Check(reply == "method=POST uri=/cgi-bin/echo.cgi length=2 body=78ff via=",
          "pattern: direct despite the proxy", reply);
  }
  long leftOver = MwLiveBlockCount();
  Check(leftOver == 0, "every kernel heap block given back",
        std::to_string(leftOver) + " blocks left");
  return failures == 0 ? 0 : 1;
}
