// Times one transfer or the no-op command against a running pad server, for
// scripts/bench, which runs it natively and under Wine and times the
// reference tools on the same server in the same run.
//
//   transfer_bench [--cacert FILE] download HOST:PORT PAD-ID LOCAL-FILE
//   transfer_bench [--cacert FILE] fetch    HOST:PORT REMOTE-NAME LOCAL-FILE
//   transfer_bench [--cacert FILE] upload   HOST:PORT PAD-ID PAD-FILE
//   transfer_bench [--cacert FILE] noop     HOST:PORT ROUNDS
//
// With --cacert every exchange runs over HTTPS, trusting the certificates of
// the PEM file FILE besides the system's; HOST must be a name the server's
// certificate carries.
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
  NoopClient(const std::string& address, bool tls) {
    comm_.SetHost(((tls ? "https://" : "") + address + "/cgi-bin/").c_str());
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

int Noop(const std::string& address, bool tls, PadServer& server, int rounds) {
  double exchange = 0;
  double reported = 0;
  NoopClient client(address, tls);
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

int Usage(const char* program) {
  std::fprintf(stderr,
               "usage: %s [--cacert FILE] download|fetch|upload|noop HOST:PORT ARGUMENTS...\n",
               program);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const char* program = argv[0];
  const char* caFile = nullptr;
  if (argc >= 3 && std::string(argv[1]) == "--cacert") {
    caFile = argv[2];
    argc -= 2;
    argv += 2;
  }
  if (argc < 4) return Usage(program);
  std::string operation = argv[1];
  std::string address = argv[2];
  std::size_t colon = address.rfind(':');
  if (colon == std::string::npos) return Usage(program);
  PadServer server;
  server.SetServer(address.substr(0, colon).c_str(),
                   static_cast<unsigned short>(std::atoi(address.c_str() + colon + 1)),
                   "/cgi-bin/");
  bool tls = caFile != nullptr;
  if (tls) {
    // A file that cannot be read would leave only the system's roots, and
    // every exchange would fail as an untrusted server: say why at once.
    if (BazaroComm::SetTrustFile(caFile) != 1) return Failed("reading the --cacert file");
    const char* const caFiles[] = {caFile, nullptr};
    server.SetTls(true, caFiles);
  }
  if (operation == "noop") return Noop(address, tls, server, std::atoi(argv[3]));
  if (argc < 5) return Usage(program);

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
