#include "setup/texts/ProgramOptions.h"

#include <cstring>

#include "setup/texts/CommandLineText.h"

namespace setup {

namespace {

// True when `word` stands at `cursor` as a whole word.
bool IsWord(const char* cursor, const char* word) {
  std::size_t length = std::strlen(word);
  return std::strncmp(cursor, word, length) == 0 &&
         (cursor[length] == '\0' || cursor[length] == ' ');
}

}  // namespace

ProgramOptions ReadProgramOptions(const std::string& commandLine) {
  ProgramOptions options;
  const char* const begin = commandLine.c_str();
  const char* cursor = begin;
  std::string kept;
  for (;;) {
    while (*cursor == ' ') ++cursor;
    // "-addclock" is "-add" and "clock" to the run: only a word of its own is
    // one of the program's options.
    bool wordStart = cursor == begin || cursor[-1] == ' ';
    if (wordStart && IsWord(cursor, "-quiet")) {
      options.quiet = true;
      cursor += 6;
    } else if (wordStart && (IsWord(cursor, "--help") || IsWord(cursor, "-?"))) {
      options.help = true;
      cursor += cursor[1] == '-' ? 6 : 2;
    } else if (wordStart && IsWord(cursor, "-log")) {
      cursor += 4;
      while (*cursor == ' ') ++cursor;
      if (*cursor != '\0') options.logPath = ReadPathWord(&cursor);
      if (options.logPath.empty()) {
        options.error = "-log needs the name of a file";
        break;
      }
    } else {
      const char* option = cursor;
      std::string directory;
      if (ReadRunOption(&cursor, &directory) == RunOption::kNone) break;
      kept.append(option, cursor);
      kept += ' ';
    }
  }
  options.runCommandLine = kept + cursor;
  return options;
}

const char* UsageText() {
  return "Usage: mkinstall [-quiet] [-log FILE] [-add | -del] [-in DIRECTORY] [MODULE]\n"
         "\n"
         "Installs the pad module MODULE (default \"ppp\") into the platform\n"
         "installation, or removes it.\n"
         "\n"
         "  -add            install (the default): merge nametab.MODULE into the\n"
         "                  installation's nametab.lst, userdef.MODULE into its\n"
         "                  userdef.lst and LANGUAGE.MODULE (english.MODULE or\n"
         "                  japanese.MODULE) into its message file\n"
         "  -del            remove the module's classes from nametab.lst\n"
         "  -in DIRECTORY   the folder that holds the module's files (default: the\n"
         "                  current directory)\n"
         "  -quiet          show nothing and do not pause: the exit status alone\n"
         "                  tells how the run went\n"
         "  -log FILE       write every status text to FILE, one UTF-8 line each:\n"
         "                  the text, the source file and the destination file,\n"
         "                  separated by tabs\n"
         "  --help, -?      show this text\n"
         "\n"
         "Exit status:\n"
         "  0  the run completed\n"
         "  1  the run could not be started (a wrong option, a log that cannot\n"
         "     be written)\n"
         "  2  file not found: no installation, or a class list could not be read;\n"
         "     nothing was changed\n"
         "  3  cannot write file: a file of the installation could not be written;\n"
         "     it was left as it was, and the run stopped there\n";
}

}  // namespace setup
