// Loads a running pad server from many clients at once with the project's
// PadServer operations, and prints what it sustained: requests and commands
// per second, and the median and 99th percentile latency of commands and of
// pad transfers.
//
//   pad_server_load_bench HOST:PORT SCRATCH-DIRECTORY [--clients N]
//                         [--seconds S | --requests N]
//
// Each client (default 16, each on its own thread with its own PadServer)
// makes a pad of its own and uploads a pad file of 1 MiB of random bytes to
// it, then, once every client is ready, repeats a round of ten operations:
// nine commands in this order (a new pad placed under its own, read and
// changed, the children listed, its own pad read and changed, the children
// listed again, the new pad deleted) and, at a place of the round that
// differs between clients, one transfer, which alternates between an upload
// and a download of its pad file. The run lasts S seconds (default 5) or N
// operations in all; an operation under way at the end completes.
//
// A command fails when the operation fails or its answer is plainly wrong
// (no record, a list of children other than the one pad); a download fails
// when it brings other bytes. Failures are counted, not timed. Prints "name
// value" lines for scripts/bench-pad-server; exits 1 when anything failed.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BenchFiles.h"
#include "kernel/KernelObjects.h"
#include "transport/PadServer.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kOperationsPerRound = 10;  // nine commands and a transfer
constexpr std::size_t kPadFileBytes = 1 << 20;

struct Options {
  std::string host;
  unsigned short port = 0;
  std::string scratch;
  int clients = 16;
  double seconds = 5;
  long requests = 0;  // 0: the run is bounded by `seconds`
};

// What one client measured, in milliseconds.
struct ClientFigures {
  std::vector<double> commandMs;
  std::vector<double> transferMs;
  long commandFailures = 0;
  long transferFailures = 0;
  bool ready = false;  // its pad and pad file are on the server
  std::string firstFailure;
};

// Holds the clients until every one is ready, so that the timed window
// starts with all of them loading the server.
class StartLine {
 public:
  explicit StartLine(int clients) : waiting_(clients) {}
  void Arrive() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (--waiting_ == 0) {
      start_ = Clock::now();
      released_.notify_all();
    }
    released_.wait(lock, [this] { return waiting_ == 0; });
  }
  Clock::time_point Start() const { return start_; }

 private:
  std::mutex mutex_;
  std::condition_variable released_;
  int waiting_;
  Clock::time_point start_;
};

// The kernel's dictionaries take keys as writable texts.
char* Key(const char* key) { return const_cast<char*>(key); }

bool ReadRecord(PadServer& pad, unsigned long id) {
  MkDictionary* record = nullptr;
  bool answered = pad.GetPadInfo(id, record) == 0 && record != nullptr;
  delete record;
  return answered;
}

bool ChangeRecord(PadServer& pad, unsigned long id, unsigned long parent, const char* key,
                  int value) {
  MkDictionary attributes;
  attributes.atPut(Key(key), value);
  return pad.SetPadInfo(id, parent, &attributes) == 0;
}

// The parent's children must be exactly the one pad the client placed there.
bool ListsOneChild(PadServer& pad, unsigned long parent) {
  MkDictionary* list = nullptr;
  bool answered = pad.GetChildPads(parent, list) == 0 && list != nullptr && list->length() == 1;
  delete list;
  return answered;
}

// One command of the round, by its place in it; `child` is the pad the
// round makes and deletes.
bool RunCommand(PadServer& pad, int step, unsigned long parent, unsigned long& child, int round) {
  switch (step) {
    case 0:
      return pad.GetNewPadID(child) == 0 && child != 0;
    case 1:
      return child != 0 && ChangeRecord(pad, child, parent, "x", round);
    case 2:
      return child != 0 && ReadRecord(pad, child);
    case 3:
      return child != 0 && ChangeRecord(pad, child, 0, "width", round);
    case 4:
    case 7:
      return ListsOneChild(pad, parent);
    case 5:
      return ReadRecord(pad, parent);
    case 6:
      return ChangeRecord(pad, parent, 0, "height", round);
    default: {
      if (child == 0) return false;
      bool deleted = pad.DeletePad(child) == 0;
      child = 0;
      return deleted;
    }
  }
}

void RunClient(const Options& options, int index, const std::string& padFile, StartLine& line,
               std::atomic<long>& budget, ClientFigures& figures) {
  PadServer pad;
  pad.SetServer(options.host.c_str(), options.port, "/cgi-bin/");
  const std::string downloaded = options.scratch + "/download-" + std::to_string(index);
  unsigned long parent = 0;
  figures.ready = pad.GetNewPadID(parent) == 0 && parent != 0 &&
                  ChangeRecord(pad, parent, 0, "width", 100) &&
                  pad.UploadPad(parent, padFile.c_str()) == 0;
  line.Arrive();
  if (!figures.ready) return;
  const Clock::time_point deadline =
      line.Start() +
      std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options.seconds));

  // Clients transfer at different places of their rounds, so that a short
  // run has its share of transfers from the start.
  const int transferPlace = index % kOperationsPerRound;
  unsigned long child = 0;
  for (long operation = 0;; ++operation) {
    if (options.requests > 0 ? budget.fetch_sub(1) <= 0 : Clock::now() >= deadline) break;
    int place = static_cast<int>(operation % kOperationsPerRound);
    int round = static_cast<int>(operation / kOperationsPerRound);
    bool transfer = place == transferPlace;
    int step = place < transferPlace ? place : place - 1;
    bool upload = round % 2 == 0;
    Clock::time_point start = Clock::now();
    bool ok = transfer ? (upload ? pad.UploadPad(parent, padFile.c_str()) == 0
                                 : pad.DownloadPad(parent, downloaded.c_str()))
                       : RunCommand(pad, step, parent, child, round);
    double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (ok && transfer && !upload) ok = SameFiles(padFile, downloaded);
    if (ok) {
      (transfer ? figures.transferMs : figures.commandMs).push_back(ms);
      continue;
    }
    ++(transfer ? figures.transferFailures : figures.commandFailures);
    if (figures.firstFailure.empty()) {
      figures.firstFailure = transfer ? (upload ? "upload" : "download")
                                      : "command " + std::to_string(step + 1) + " of the round";
      // A failure without a failed exchange was a wrong answer.
      figures.firstFailure += pad.FailedResult() == 0
                                  ? std::string(" (a wrong answer)")
                                  : " (result " + std::to_string(pad.FailedResult()) + ", HTTP " +
                                        std::to_string(pad.FailedStatus()) + ")";
    }
  }
  // Clearing up is not timed; what fails here leaves test data only.
  if (child != 0) pad.DeletePad(child);
  pad.DeletePad(parent);
  std::remove(downloaded.c_str());
}

// The nearest-rank percentile of `sorted`, or -1 when it is empty.
double Percentile(const std::vector<double>& sorted, double fraction) {
  if (sorted.empty()) return -1;
  auto rank = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(sorted.size())));
  return sorted[std::min(sorted.size(), std::max<std::size_t>(rank, 1)) - 1];
}

bool ReadOptions(int argc, char** argv, Options& options) {
  if (argc < 3) return false;
  std::string address = argv[1];
  std::size_t colon = address.rfind(':');
  if (colon == std::string::npos) return false;
  options.host = address.substr(0, colon);
  options.port = static_cast<unsigned short>(std::atoi(address.c_str() + colon + 1));
  options.scratch = argv[2];
  for (int at = 3; at + 1 < argc; at += 2) {
    if (std::strcmp(argv[at], "--clients") == 0) {
      options.clients = std::atoi(argv[at + 1]);
    } else if (std::strcmp(argv[at], "--seconds") == 0) {
      options.seconds = std::atof(argv[at + 1]);
    } else if (std::strcmp(argv[at], "--requests") == 0) {
      options.requests = std::atol(argv[at + 1]);
    } else {
      return false;
    }
  }
  return (argc - 3) % 2 == 0 && options.port != 0 && options.clients > 0 && options.seconds > 0 &&
         options.requests >= 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ReadOptions(argc, argv, options)) {
    std::fprintf(
        stderr,
        "usage: %s HOST:PORT SCRATCH-DIRECTORY [--clients N] [--seconds S | --requests N]\n",
        argv[0]);
    return 2;
  }
  const std::string padFile = options.scratch + "/load-pad.bin";
  if (!WriteRandomFile(padFile, kPadFileBytes, 1)) {
    std::fprintf(stderr, "cannot write %s\n", padFile.c_str());
    return 1;
  }

  std::vector<ClientFigures> figures(static_cast<std::size_t>(options.clients));
  StartLine line(options.clients);
  std::atomic<long> budget(options.requests);
  std::vector<std::thread> clients;
  for (int index = 0; index < options.clients; ++index) {
    clients.emplace_back(RunClient, std::cref(options), index, std::cref(padFile), std::ref(line),
                         std::ref(budget), std::ref(figures[static_cast<std::size_t>(index)]));
  }
  for (std::thread& client : clients) client.join();
  double seconds = std::chrono::duration<double>(Clock::now() - line.Start()).count();
  std::remove(padFile.c_str());

  std::vector<double> commands;
  std::vector<double> transfers;
  long commandFailures = 0;
  long transferFailures = 0;
  int notReady = 0;
  for (const ClientFigures& client : figures) {
    commands.insert(commands.end(), client.commandMs.begin(), client.commandMs.end());
    transfers.insert(transfers.end(), client.transferMs.begin(), client.transferMs.end());
    commandFailures += client.commandFailures;
    transferFailures += client.transferFailures;
    if (!client.ready) ++notReady;
    if (!client.firstFailure.empty()) {
      std::fprintf(stderr, "a client's first failure: %s\n", client.firstFailure.c_str());
    }
  }
  if (notReady > 0) {
    std::fprintf(stderr, "%d of %d clients could not make their pad and upload its file\n",
                 notReady, options.clients);
  }
  std::sort(commands.begin(), commands.end());
  std::sort(transfers.begin(), transfers.end());
  double requests = static_cast<double>(commands.size() + transfers.size());
  std::printf("clients %d\n", options.clients);
  std::printf("seconds %.3f\n", seconds);
  std::printf("commands %zu\n", commands.size());
  std::printf("transfers %zu\n", transfers.size());
  std::printf("command_failures %ld\n", commandFailures);
  std::printf("transfer_failures %ld\n", transferFailures);
  std::printf("clients_not_ready %d\n", notReady);
  std::printf("requests_per_second %.1f\n", requests / seconds);
  std::printf("commands_per_second %.1f\n", static_cast<double>(commands.size()) / seconds);
  std::printf("command_p50_ms %.2f\n", Percentile(commands, 0.50));
  std::printf("command_p99_ms %.2f\n", Percentile(commands, 0.99));
  std::printf("transfer_p50_ms %.2f\n", Percentile(transfers, 0.50));
  std::printf("transfer_p99_ms %.2f\n", Percentile(transfers, 0.99));
  return commandFailures + transferFailures + notReady == 0 ? 0 : 1;
}
