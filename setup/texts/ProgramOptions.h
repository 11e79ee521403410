// The options of the mkinstall program itself, read ahead of the run's own.
//
// "-quiet", "-log FILE", "--help" and "-?" may stand anywhere among the run's
// options ("-add", "-del", "-in DIRECTORY"), before the module name; they are
// taken out and the rest of the line goes to the run unchanged. A word that is
// no option ends the options, as it does for the run, so "clock -quiet" names
// the module "clock -quiet".
#pragma once

#include <string>

namespace setup {

struct ProgramOptions {
  bool quiet = false;          // no window or output, no pauses: the exit status alone
  bool help = false;           // show the usage and do nothing else
  std::string logPath;         // where to write the run's status texts; empty for no log
  std::string runCommandLine;  // what is left for the run
  std::string error;           // why the line cannot be used; empty when it can
};

// Reads the program's options from `commandLine`, the text after the
// program's name.
ProgramOptions ReadProgramOptions(const std::string& commandLine);

// The usage text: the command line, the options and the exit statuses.
const char* UsageText();

}  // namespace setup
