// The command line as one text: the words of a run's options, and the text
// rebuilt from a program's arguments or taken from the system's own line.
#pragma once

#include <string>

namespace setup {

// The options of a run's command line.
enum class RunOption {
  kNone,    // no option stands at the cursor
  kAdd,     // "-add": install
  kDelete,  // "-del": remove
  kIn,      // "-in " and a directory: the folder of the module's files
};

// Reads the run option at `*cursor` and moves the cursor past it. "-add" and
// "-del" are their first four characters (so "-addclock" is "-add" and
// "clock"); "-in " is followed by blanks and a directory (see ReadPathWord),
// which goes to `directory`. kNone, with the cursor unmoved, when no option
// stands there.
RunOption ReadRunOption(const char** cursor, std::string* directory);

// Reads a path at `*cursor` and moves the cursor past it: after a double or a
// single quote, everything up to the next quote of either kind (or the end),
// the cursor then past that quote; otherwise everything up to the next space
// (the cursor then on it) or the end.
std::string ReadPathWord(const char** cursor);

// Joins `arguments` with single spaces into the text a run reads. The
// argument after "-in" or "-log" is put in double quotes when it is empty or
// holds a space, so that a path the shell kept whole stays whole.
std::string JoinArguments(int count, const char* const* arguments);

// The text after the program's name in a Windows command line: the name is
// everything up to the closing double quote when it begins with one,
// otherwise up to the first blank or tab; the blanks and tabs after it are
// skipped.
std::string TextAfterProgramName(const char* commandLine);

}  // namespace setup
