// The command lines: mkinstall's and bazaro's.
//
// The input is split at NUL bytes into arguments. mkinstall joins its
// arguments into one text and reads its options back from it: a log file and
// a module folder given as arguments must come back whole. bazaro reads the
// same arguments: every operand it keeps is one of them.
#include <algorithm>
#include <vector>

#include "FuzzSupport.h"
#include "setup/texts/CommandLineText.h"
#include "setup/texts/ProgramOptions.h"
#include "tools/bazaro/Arguments.h"

namespace {

std::vector<std::string> Split(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> words(1);
  for (std::size_t i = 0; i < size && words.size() <= 8; ++i) {
    if (data[i] == '\0') {
      words.emplace_back();
    } else {
      words.back() += static_cast<char>(data[i]);
    }
  }
  return words;
}

// A path the joined text can carry: quotes would end it.
bool Carried(const std::string& path) { return path.find_first_of("\"'") == std::string::npos; }

void CheckProgramOptions(const std::vector<std::string>& words) {
  // The text as it comes, with the options at any place: read under the
  // sanitizers only.
  std::string text;
  for (const std::string& word : words) text += word + ' ';
  setup::ReadProgramOptions(text);
  setup::TextAfterProgramName(text.c_str());

  // "-log FILE -in FOLDER MODULE" from the first three words. (A module name
  // that begins with "-" would read as options: the line has no way to say
  // otherwise.)
  if (words.size() < 3 || words[0].empty() || !Carried(words[0]) || !Carried(words[1]) ||
      words[2].find_first_not_of(' ') == words[2].find('-')) {
    return;
  }
  const char* arguments[] = {"-log", words[0].c_str(), "-in", words[1].c_str(), words[2].c_str()};
  std::string joined = setup::JoinArguments(5, arguments);
  setup::ProgramOptions options = setup::ReadProgramOptions(joined);
  FUZZ_CHECK(options.error.empty() && !options.quiet && !options.help);
  FUZZ_CHECK(options.logPath == words[0]);
  const char* cursor = options.runCommandLine.c_str();
  std::string folder;
  FUZZ_CHECK(setup::ReadRunOption(&cursor, &folder) == setup::RunOption::kIn);
  FUZZ_CHECK(folder == words[1]);
}

void CheckBazaroArguments(const std::vector<std::string>& words) {
  std::vector<std::string> argv = {"bazaro"};
  argv.insert(argv.end(), words.begin(), words.end());
  std::vector<char*> pointers;
  for (std::string& word : argv) pointers.push_back(&word[0]);
  bazaro::Arguments arguments;
  std::string error;
  if (!bazaro::ParseArguments(static_cast<int>(pointers.size()), pointers.data(), arguments,
                              error)) {
    FUZZ_CHECK(!error.empty());
    return;
  }
  for (const std::string& operand : arguments.operands) {
    FUZZ_CHECK(std::find(words.begin(), words.end(), operand) != words.end());
  }
  unsigned long identifier = 0;
  for (const std::string& word : words) {
    if (bazaro::ParseIdentifier(word, identifier)) {
      FUZZ_CHECK(std::to_string(identifier) == word || word[0] == '0');
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> words = Split(data, size);
  CheckProgramOptions(words);
  CheckBazaroArguments(words);
  return 0;
}
