#include "client/ProxyFile.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "kernel/KernelObjects.h"
#include "os/BoundedFormat.h"
#include "os/PathSeparator.h"

namespace client {
namespace {

class WordReader {
 public:
  explicit WordReader(std::FILE* file) : file_(file) {}

  // Skips white space; true when a character follows.
  bool SkipBlanks() {
    int c;
    while ((c = std::getc(file_)) != EOF) {
      if (!IsBlank(c)) {
        std::ungetc(c, file_);
        return true;
      }
    }
    return false;
  }

  // A run of non-blank characters into `word` (kMaxProxyWordLength + 1
  // bytes). 0 when there is none, -1 when it is too long, else 1.
  int ReadWord(char* word) {
    if (!SkipBlanks()) return 0;
    int length = 0;
    int c;
    while ((c = std::getc(file_)) != EOF && !IsBlank(c)) {
      if (length == kMaxProxyWordLength) return -1;
      word[length++] = static_cast<char>(c);
    }
    if (c != EOF) std::ungetc(c, file_);
    word[length] = '\0';
    return 1;
  }

  // An unsigned decimal number with an optional sign, as "%lu" reads it,
  // kept modulo 2^32. False when no digit follows.
  bool ReadNumber(unsigned long* number) {
    if (!SkipBlanks()) return false;
    int c = std::getc(file_);
    bool negative = false;
    if (c == '+' || c == '-') {
      negative = c == '-';
      c = std::getc(file_);
    }
    if (c == EOF || !std::isdigit(c)) return false;
    unsigned long value = 0;
    while (c != EOF && std::isdigit(c)) {
      value = (value * 10 + static_cast<unsigned long>(c - '0')) & 0xFFFFFFFFul;
      c = std::getc(file_);
    }
    if (c != EOF) std::ungetc(c, file_);
    if (negative) value = (0x100000000ull - value) & 0xFFFFFFFFul;
    *number = value;
    return true;
  }

 private:
  static bool IsBlank(int c) { return std::isspace(c) != 0; }
  std::FILE* file_;
};

}  // namespace

char* ProxyFileName(const char* userDirectory) { return UserFileName(userDirectory, "proxy.conf"); }

char* UserFileName(const char* userDirectory, const char* fileName) {
  if (userDirectory == nullptr || userDirectory[0] == '\0') return nullptr;
  char name[os::kBoundedFormatSize];
  int length = os::FormatBounded(name, "%s%sbazaro%s%s", userDirectory, os::kPathSeparatorText,
                                 os::kPathSeparatorText, fileName);
  // A name cut at the formatter's bound would name another file.
  if (length >= os::kBoundedFormatSize - 1) return nullptr;
  return NewString(name);
}

int ReadProxyWords(const char* fileName, ProxyWords* words) {
  words->host[0] = '\0';
  words->port = 0;
  words->pattern[0] = '\0';
  if (fileName == nullptr) return 0;
  std::FILE* file = std::fopen(fileName, "r");
  if (file == nullptr) return 0;
  WordReader reader(file);
  int converted = 0;
  int status = reader.ReadWord(words->host);
  if (status == 1) {
    converted = 1;
    if (reader.ReadNumber(&words->port)) {
      converted = 2;
      status = reader.ReadWord(words->pattern);
      if (status == 1) converted = 3;
    }
  }
  std::fclose(file);
  if (status < 0) {
    words->host[0] = '\0';
    words->port = 0;
    words->pattern[0] = '\0';
    return 0;
  }
  return converted;
}

}  // namespace client
