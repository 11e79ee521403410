// The command line of bazaro: a subcommand, its operands and the options.
#pragma once

#include <string>
#include <vector>

namespace bazaro {

struct Arguments {
  std::string command;                // empty when none was given
  std::vector<std::string> operands;  // in order
  std::string server;                 // --server, else BAZARO_SERVER, else the default
  std::string caFile;                 // --cacert: trusted besides the system's roots
  std::string user;                   // --user NAME[:PASSWORD], empty without
  std::string password;               // the part after the first ':'
  bool hasPassword = false;           // --user held a ':'
  std::string netrcFile;              // --netrc-file: read instead of the user's
  bool help = false;                  // --help or -h
  bool json = false;                  // --json
  bool hasAt = false;                 // --at X,Y
  int atX = 0;
  int atY = 0;
};

// The address the reference server's start script prints by default.
extern const char kDefaultServer[];

// Reads `argv`; options may stand anywhere, "--" ends them (operands such as
// "-3" are taken as operands anyway). False with `error` set for an unknown
// option or an option without its value.
bool ParseArguments(int argc, char** argv, Arguments& arguments, std::string& error);

// A decimal number that fits the type, with nothing around it.
bool ParseIdentifier(const std::string& text, unsigned long& value);
bool ParseInteger(const std::string& text, int& value);

}  // namespace bazaro
