// Times the project's PadServer operations against a running pad server:
// one command's round trip (GetPadInfo), and the upload and download of a
// pad file, with the compression alone timed too since both operations
// include it.
//
//   pad_server_bench HOST:PORT SCRATCH-DIRECTORY [ROUNDS [MEGABYTES]]
//
// The pad file is random bytes, which gzip cannot shrink: the full size
// crosses the wire. Prints "name value" lines for scripts/bench-pad-server,
// among them the pad and the compressed file, which the script sends again
// with curl. Exits 1 when an operation fails or the download differs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "BenchFiles.h"
#include "kernel/KernelObjects.h"
#include "protocol/GzipFile.h"
#include "transport/PadServer.h"

namespace {

double Seconds(const std::function<bool()>& run, bool& ok) {
  auto start = std::chrono::steady_clock::now();
  ok = run();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int failures = 0;

void Report(const char* name, double value, bool ok) {
  std::printf("%s %.6f\n", name, value);
  if (!ok) {
    std::fprintf(stderr, "%s failed\n", name);
    ++failures;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s HOST:PORT SCRATCH-DIRECTORY [ROUNDS [MEGABYTES]]\n", argv[0]);
    return 2;
  }
  std::string address = argv[1];
  std::string scratch = argv[2];
  int rounds = argc > 3 ? std::atoi(argv[3]) : 200;
  std::size_t megabytes = argc > 4 ? static_cast<std::size_t>(std::atoi(argv[4])) : 64;
  std::size_t colon = address.rfind(':');
  if (colon == std::string::npos || rounds < 1) return 2;

  PadServer pad;
  pad.SetServer(address.substr(0, colon).c_str(),
                static_cast<unsigned short>(std::atoi(address.c_str() + colon + 1)), "/cgi-bin/");
  unsigned long id = 0;
  MkDictionary attributes;
  attributes.atPut(const_cast<char*>("width"), 100);
  if (pad.GetNewPadID(id) != 0 || pad.SetPadInfo(id, 0, &attributes) != 0) {
    std::fprintf(stderr, "the server at %s does not answer\n", address.c_str());
    return 1;
  }
  std::printf("pad %lu\n", id);

  std::vector<double> trips;
  bool allOk = true;
  for (int round = 0; round < rounds; ++round) {
    bool ok = false;
    trips.push_back(Seconds(
        [&] {
          MkDictionary* record = nullptr;
          bool answered = pad.GetPadInfo(id, record) == 0 && record != nullptr;
          delete record;
          return answered;
        },
        ok));
    allOk = allOk && ok;
  }
  std::sort(trips.begin(), trips.end());
  Report("round_trip_median", trips[trips.size() / 2], allOk);
  Report("round_trip_min", trips.front(), allOk);
  Report("round_trip_p90", trips[trips.size() * 9 / 10], allOk);

  const std::string padFile = scratch + "/pad.bin";
  const std::string gzipFile = scratch + "/pad.gz";
  const std::string downloaded = scratch + "/downloaded.bin";
  const std::string unpacked = scratch + "/unpacked.bin";
  if (!WriteRandomFile(padFile, megabytes << 20, 64)) return 1;
  std::printf("gzip_file %s\n", gzipFile.c_str());
  // Each time is taken before its outcome is read.
  bool ok = false;
  double seconds = Seconds([&] { return GzipFile(padFile.c_str(), gzipFile.c_str()); }, ok);
  Report("gzip_seconds", seconds, ok);
  seconds = Seconds([&] { return pad.UploadPad(id, padFile.c_str()) == 0; }, ok);
  Report("upload_seconds", seconds, ok);
  seconds = Seconds([&] { return pad.DownloadPad(id, downloaded.c_str()); }, ok);
  Report("download_seconds", seconds, ok && SameFiles(padFile, downloaded));
  seconds = Seconds([&] { return GunzipFile(gzipFile.c_str(), unpacked.c_str()); }, ok);
  Report("gunzip_seconds", seconds, ok);
  return failures == 0 ? 0 : 1;
}
