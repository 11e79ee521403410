// bazaro: shares pads with a pad server from the command line, through the
// library's client the way a pad uses it. See PrintUsage for the commands.
#include <string>

#include "tools/bazaro/Arguments.h"
#include "tools/bazaro/Commands.h"
#include "tools/bazaro/Exit.h"
#include "tools/bazaro/Interruption.h"

int main(int argc, char** argv) {
  bazaro::WatchInterruption();
  bazaro::Arguments arguments;
  std::string error;
  if (!bazaro::ParseArguments(argc, argv, arguments, error)) {
    return bazaro::Report({bazaro::kUsage, error + " (see bazaro --help)"});
  }
  return bazaro::RunCommand(arguments);
}
