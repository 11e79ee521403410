// Helpers shared by the transport tests.
#pragma once

#include <chrono>
#include <string>

#include "FakeHttpServer.h"
#include "ShortWaitBounds.h"

// Milliseconds since construction.
class Stopwatch {
 public:
  Stopwatch() : start_(std::chrono::steady_clock::now()) {}
  long long Milliseconds() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start_)
        .count();
  }

 private:
  std::chrono::steady_clock::time_point start_;
};

// A loopback port on which nothing listens: one a fake server had a moment ago.
inline unsigned short ClosedPort() {
  FakeHttpServer server;
  return server.Port();
}

// `count` bytes of the fake server's pattern stream.
inline std::string Pattern(std::size_t count) {
  std::string bytes(count, '\0');
  for (std::size_t i = 0; i < count; ++i) bytes[i] = FakeHttpServer::PatternByte(i);
  return bytes;
}

// True where a connection reset reaches the program as an orderly close:
// Wine's sockets layer clears the pending reset while it polls the socket.
inline bool ResetReadsAsClose() {
#ifdef _WIN32
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
  return false;
#endif
}
