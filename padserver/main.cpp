// The pad server's programs: one program under five names, which the name
// it is started by chooses. Started by the web server's FastCGI module it
// answers requests until the server stops it, otherwise it answers its one
// CGI request. Under any name, `--sweep DATA` clears up the data directory
// before the server starts (Sweep.h).
#include <csignal>
#include <cstdio>
#include <cstring>

#include "padserver/CgiRequest.h"
#include "padserver/FastCgiResponder.h"
#include "padserver/FileReplacement.h"
#include "padserver/Programs.h"
#include "padserver/Sweep.h"

namespace {

struct Program {
  const char* name;
  int (*run)(const padserver::CgiRequest&);
};

constexpr Program kPrograms[] = {
    {"pad-cgi", padserver::RunCommandProgram},      {"pad-gzput-cgi", padserver::RunPadPutProgram},
    {"pad-gzget-cgi", padserver::RunPadGetProgram}, {"pad-upload-cgi", padserver::RunUploadProgram},
    {"pad-misc-cgi", padserver::RunMiscProgram},
};

const char* BaseName(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash != nullptr ? slash + 1 : path;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--sweep") == 0) return padserver::RunSweep(argv[2]);
  const char* name = argc > 0 ? BaseName(argv[0]) : "";
  for (const Program& program : kPrograms) {
    if (std::strcmp(name, program.name) != 0) continue;
    // A client that went away shows as a failed write, not as the end.
    std::signal(SIGPIPE, SIG_IGN);
    padserver::InstallCleanupOnSignals();
    if (padserver::StartedAsFastCgiResponder()) return padserver::RunFastCgiResponder(program.run);
    return program.run(padserver::CgiRequest::FromEnvironment());
  }
  std::fprintf(stderr,
               "run this program as pad-cgi, pad-gzput-cgi, pad-gzget-cgi, pad-upload-cgi or"
               " pad-misc-cgi, or with --sweep DATA\n");
  return 2;
}
