// Times one transfer or the no-op command against a running pad server, for
// scripts/bench, which runs it natively and under Wine and times the
// reference tools on the same server in the same run.
//
//   transfer_bench download HOST:PORT PAD-ID LOCAL-FILE
//   transfer_bench fetch    HOST:PORT REMOTE-NAME LOCAL-FILE
//   transfer_bench upload   HOST:PORT PAD-ID PAD-FILE
//   transfer_bench noop     HOST:PORT ROUNDS
//
// Prints "seconds S" for a transfer; for noop "exchange_ms" (GetNewPadID on
// a PadServer, the exchange alone) and "reported_ms" (the same command
// through the client, from the request to its TaskEnd), each the mean of
// ROUNDS. Exits 1 when an operation fails.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bazaro/BazaroComm.h"
#include "mkres/MwRunLoop.h"
#include "transport/PadServer.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Waits for each report on this thread, as a pad does.
class NoopClient : public BazaroCommBase {
 public:
  explicit NoopClient(const std::string& address) {
    comm_.SetHost((address + "/cgi-bin/").c_str());
    comm_.SetPad(this);
  }
  // Seconds from the request to its report; negative when it failed.
  double Run() {
    reported_ = false;
    id_ = 0;
    auto start = Clock::now();
    if (comm_.RequestNewID() != 1) return -1;
    while (!reported_ && SecondsSince(start) < 60) MwRunLoop(1);
    double seconds = SecondsSince(start);
    return reported_ && id_ != 0 ? seconds : -1;
  }
  void TaskEnd(int /*type*/) override {
    reported_ = true;
    id_ = comm_.QueryResultID();
  }

 private:
  BazaroComm comm_;
  bool reported_ = false;
  unsigned long id_ = 0;
};

int Failed(const char* what) {
  std::fprintf(stderr, "%s failed\n", what);
  return 1;
}

int Noop(const std::string& address, PadServer& server, int rounds) {
  double exchange = 0;
  double reported = 0;
  NoopClient client(address);
  for (int round = 0; round < rounds; ++round) {
    unsigned long id = 0;
    auto start = Clock::now();
    if (server.GetNewPadID(id) != 0) return Failed("GetNewPadID");
    exchange += SecondsSince(start);
    double seconds = client.Run();
    if (seconds < 0) return Failed("RequestNewID");
    reported += seconds;
  }
  std::printf("exchange_ms %.3f\nreported_ms %.3f\n", exchange * 1000 / rounds,
              reported * 1000 / rounds);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s download|fetch|upload|noop HOST:PORT ARGUMENTS...\n", argv[0]);
    return 2;
  }
  std::string operation = argv[1];
  std::string address = argv[2];
  std::size_t colon = address.rfind(':');
  if (colon == std::string::npos) return 2;
  PadServer server;
  server.SetServer(address.substr(0, colon).c_str(),
                   static_cast<unsigned short>(std::atoi(address.c_str() + colon + 1)),
                   "/cgi-bin/");
  if (operation == "noop") return Noop(address, server, std::atoi(argv[3]));
  if (argc < 5) return 2;

  auto start = Clock::now();
  bool ok = false;
  if (operation == "download") {
    ok = server.DownloadPad(std::strtoul(argv[3], nullptr, 10), argv[4]);
  } else if (operation == "fetch") {
    ok = server.GetFile(argv[3], argv[4]);
  } else if (operation == "upload") {
    ok = server.UploadPad(std::strtoul(argv[3], nullptr, 10), argv[4]) == 0;
  } else {
    return 2;
  }
  double seconds = SecondsSince(start);
  if (!ok) return Failed(operation.c_str());
  std::printf("seconds %.6f\n", seconds);
  return 0;
}
