#include "tools/bazaro/Arguments.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace bazaro {

const char kDefaultServer[] = "127.0.0.1:8080/cgi-bin/";

namespace {

bool LooksLikeNumber(const std::string& text) {
  return text.size() > 1 && text[0] == '-' && text[1] >= '0' && text[1] <= '9';
}

// "X,Y" of --at.
bool ParsePosition(const std::string& text, int& x, int& y) {
  std::size_t comma = text.find(',');
  return comma != std::string::npos && ParseInteger(text.substr(0, comma), x) &&
         ParseInteger(text.substr(comma + 1), y);
}

}  // namespace

bool ParseIdentifier(const std::string& text, unsigned long& value) {
  if (text.empty() || text.size() > 10) return false;
  unsigned long long number = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + static_cast<unsigned long long>(c - '0');
  }
  if (number > 0xFFFFFFFFull) return false;
  value = static_cast<unsigned long>(number);
  return true;
}

bool ParseInteger(const std::string& text, int& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long number = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || errno == ERANGE || number < INT_MIN || number > INT_MAX || text[0] == ' ' ||
      text[0] == '+') {
    return false;
  }
  value = static_cast<int>(number);
  return true;
}

bool ParseArguments(int argc, char** argv, Arguments& arguments, std::string& error) {
  const char* fromEnvironment = std::getenv("BAZARO_SERVER");
  arguments.server =
      fromEnvironment != nullptr && *fromEnvironment != '\0' ? fromEnvironment : kDefaultServer;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    std::string word = argv[i];
    bool isOption = !optionsEnded && word.size() > 1 && word[0] == '-' && !LooksLikeNumber(word);
    if (!isOption) {
      if (arguments.command.empty()) {
        arguments.command = word;
      } else {
        arguments.operands.push_back(word);
      }
      continue;
    }
    // "--name=value" or "--name value".
    std::string name = word, value;
    bool hasValue = false;
    std::size_t equals = word.find('=');
    if (equals != std::string::npos) {
      name = word.substr(0, equals);
      value = word.substr(equals + 1);
      hasValue = true;
    }
    auto takeValue = [&]() {
      if (hasValue) return true;
      if (i + 1 >= argc) return false;
      value = argv[++i];
      return true;
    };
    if (name == "--") {
      optionsEnded = true;
    } else if (name == "--help" || name == "-h") {
      arguments.help = true;
    } else if (name == "--json") {
      arguments.json = true;
    } else if (name == "--server") {
      if (!takeValue() || value.empty()) {
        error = "--server needs an address host:port/path";
        return false;
      }
      arguments.server = value;
    } else if (name == "--cacert") {
      if (!takeValue() || value.empty()) {
        error = "--cacert needs a file of PEM certificates";
        return false;
      }
      arguments.caFile = value;
    } else if (name == "--user") {
      if (!takeValue() || value.empty() || value[0] == ':') {
        error = "--user needs a user name, NAME or NAME:PASSWORD";
        return false;
      }
      std::size_t colon = value.find(':');
      arguments.user = value.substr(0, colon);
      arguments.hasPassword = colon != std::string::npos;
      arguments.password = arguments.hasPassword ? value.substr(colon + 1) : "";
    } else if (name == "--netrc-file") {
      if (!takeValue() || value.empty()) {
        error = "--netrc-file needs a file";
        return false;
      }
      arguments.netrcFile = value;
    } else if (name == "--at") {
      if (!takeValue() || !ParsePosition(value, arguments.atX, arguments.atY)) {
        error = "--at needs a position X,Y";
        return false;
      }
      arguments.hasAt = true;
    } else {
      error = "unknown option " + word;
      return false;
    }
  }
  return true;
}

}  // namespace bazaro
