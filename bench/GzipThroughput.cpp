// Measures GzipFile and GunzipFile on a pad file of the given size (64 MiB
// by default) next to "gzip -6" and "gzip -d" on the same file, and checks
// that each side reads the other's output. Run by hand on the native build.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "protocol/GzipFile.h"

namespace {

// Pad file text: nested pads with bounds and typed attributes, numbers and
// names varying as in a real composition.
std::string PadFileText(std::size_t size) {
  static const char* const kClasses[] = {"6:MkPane", "8:MkButton", "7:MkLabel", "9:MkCounter"};
  static const char* const kNames[] = {"8:Blue pad", "5:Total", "11:Next page >", "4:Item"};
  std::string text = "MKPAD 1\n";
  unsigned int state = 2024;
  auto next = [&state](unsigned int range) {
    state = state * 1103515245u + 12345u;
    return (state >> 8) % range;
  };
  while (text.size() < size) {
    char piece[512];
    std::snprintf(piece, sizeof piece,
                  "pad %s\nbounds %u %u %u %u\nattributes 4\n5 5:width %u\n4 4:name %s\n"
                  "7 2:id %u\n3 5:ratio %08x%08x\nchildren 0\nend\n",
                  kClasses[next(4)], next(2000), next(2000), next(400) + 10, next(300) + 10,
                  next(400), kNames[next(4)], next(1000000), next(0xFFFFFFFFu), next(0xFFFFFFFFu));
    text += piece;
  }
  text.resize(size);
  return text;
}

double Seconds(const std::function<bool()>& run, bool& ok) {
  auto start = std::chrono::steady_clock::now();
  ok = run();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

long long FileSize(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  return in ? static_cast<long long>(in.tellg()) : -1;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 64;
  const char* tmp = std::getenv("TMPDIR");
  std::string dir =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/gzip-throughput-" +
      std::to_string(static_cast<long>(std::chrono::steady_clock::now().time_since_epoch().count() %
                                       1000000000));
  if (std::system(("mkdir -p '" + dir + "'").c_str()) != 0) return 2;
  std::string source = dir + "/source.pad";
  std::string ours = dir + "/ours.gz";
  std::string theirs = dir + "/theirs.gz";
  std::string oursBack = dir + "/ours.out";
  std::string theirsBack = dir + "/theirs.out";
  {
    std::ofstream out(source, std::ios::binary);
    std::string text = PadFileText(megabytes * 1024 * 1024);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  // Warm the page cache so both sides read from memory.
  ReadAll(source);

  bool ok = true;
  bool all = true;
  double size = static_cast<double>(megabytes);
  double gzipOurs = Seconds([&] { return GzipFile(source.c_str(), ours.c_str()); }, ok);
  all = all && ok;
  double gzipTheirs = Seconds(
      [&] { return std::system(("gzip -6 -c '" + source + "' > '" + theirs + "'").c_str()) == 0; },
      ok);
  all = all && ok;
  double gunzipOurs = Seconds([&] { return GunzipFile(theirs.c_str(), oursBack.c_str()); }, ok);
  all = all && ok;
  double gunzipTheirs = Seconds(
      [&] {
        return std::system(("gzip -d -c '" + ours + "' > '" + theirsBack + "'").c_str()) == 0;
      },
      ok);
  all = all && ok;
  std::string original = ReadAll(source);
  bool same = ReadAll(oursBack) == original && ReadAll(theirsBack) == original;

  std::printf("pad file: %zu MiB, compressed: ours %lld bytes, gzip -6 %lld bytes\n", megabytes,
              FileSize(ours), FileSize(theirs));
  std::printf("compress   GzipFile   %7.3f s  %8.1f MiB/s\n", gzipOurs, size / gzipOurs);
  std::printf("compress   gzip -6    %7.3f s  %8.1f MiB/s\n", gzipTheirs, size / gzipTheirs);
  std::printf("decompress GunzipFile %7.3f s  %8.1f MiB/s\n", gunzipOurs, size / gunzipOurs);
  std::printf("decompress gzip -d    %7.3f s  %8.1f MiB/s\n", gunzipTheirs, size / gunzipTheirs);
  std::printf("outputs read back by the other side: %s\n", same ? "identical" : "DIFFERENT");
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return all && same ? 0 : 1;
}
