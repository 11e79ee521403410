#include "client/NetrcFile.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "client/ProxyFile.h"

namespace client {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// A word of the text, in place; `length` may pass the bound.
struct Word {
  const char* start = nullptr;
  std::size_t length = 0;

  bool TooLong() const { return length > static_cast<std::size_t>(kMaxNetrcWordLength); }
  bool Is(const char* keyword) const {
    return length == std::strlen(keyword) && std::memcmp(start, keyword, length) == 0;
  }
  bool NamesHost(const char* host) const {
    if (length != std::strlen(host)) return false;
    for (std::size_t i = 0; i < length; ++i) {
      if (LowerAscii(start[i]) != LowerAscii(host[i])) return false;
    }
    return true;
  }
  // Only for a word within the bound.
  void CopyTo(char* target) const {
    std::memcpy(target, start, length);
    target[length] = '\0';
  }
};

// Walks the text word by word and line by line; every step moves forward.
class Scanner {
 public:
  Scanner(const char* text, std::size_t length) : text_(text), end_(length) {
    const void* nul = std::memchr(text, '\0', length);
    if (nul != nullptr) end_ = static_cast<std::size_t>(static_cast<const char*>(nul) - text);
  }

  // The next word into `word`; false at the end of the text.
  bool Next(Word& word) {
    while (at_ < end_ && IsBlank(text_[at_])) ++at_;
    if (at_ == end_) return false;
    std::size_t start = at_;
    while (at_ < end_ && !IsBlank(text_[at_])) ++at_;
    word.start = text_ + start;
    word.length = at_ - start;
    return true;
  }

  // Moves behind the end of the current line.
  void SkipLine() {
    while (at_ < end_ && text_[at_] != '\n') ++at_;
    if (at_ < end_) ++at_;
  }

  // A macro body: the lines after the current one, up to and with the next
  // empty line (a CR alone counts as empty).
  void SkipMacroBody() {
    SkipLine();
    while (at_ < end_) {
      std::size_t start = at_;
      SkipLine();
      std::size_t lineLength = at_ - start;
      bool empty = text_[start] == '\n' ||
                   (lineLength >= 2 && text_[start] == '\r' && text_[start + 1] == '\n');
      if (empty) return;
    }
  }

 private:
  const char* text_;
  std::size_t end_;
  std::size_t at_ = 0;
};

struct Entry {
  bool open = false;       // an entry has begun
  bool isDefault = false;  // it is the first default entry
  bool namesHost = false;  // a machine entry naming the host looked up
  bool spoiled = false;    // a word in it was over the bound
  bool hasLogin = false;
  NetrcCredentials credentials = {};

  bool Counts() const { return open && !spoiled && hasLogin; }
};

}  // namespace

char* NetrcFileName(const char* userDirectory) { return UserFileName(userDirectory, "netrc"); }

bool FindNetrcCredentials(const char* text, std::size_t length, const char* host,
                          NetrcCredentials* found) {
  found->login[0] = '\0';
  found->password[0] = '\0';
  if (text == nullptr || host == nullptr) return false;
  Scanner scanner(text, length);
  Entry entry;
  bool defaultSeen = false;
  bool haveDefault = false;
  NetrcCredentials fallback = {};
  // Ends the entry under way: true when it is the host's own.
  auto finish = [&]() {
    if (entry.Counts() && entry.namesHost) {
      *found = entry.credentials;
      return true;
    }
    if (entry.Counts() && entry.isDefault) {
      fallback = entry.credentials;
      haveDefault = true;
    }
    return false;
  };

  Word word;
  Word value;
  while (scanner.Next(word)) {
    if (word.start[0] == '#') {
      scanner.SkipLine();
    } else if (word.Is("machine") || word.Is("default")) {
      if (finish()) return true;
      entry = Entry();
      entry.open = true;
      if (word.Is("default")) {
        entry.isDefault = !defaultSeen;
        defaultSeen = true;
      } else {
        if (!scanner.Next(value)) break;
        entry.spoiled = value.TooLong();
        entry.namesHost = value.NamesHost(host);
      }
    } else if (word.Is("login") || word.Is("password") || word.Is("account")) {
      if (!scanner.Next(value)) break;
      if (value.TooLong()) {
        entry.spoiled = true;
      } else if (word.Is("login")) {
        value.CopyTo(entry.credentials.login);
        entry.hasLogin = true;
      } else if (word.Is("password")) {
        value.CopyTo(entry.credentials.password);
      }
    } else if (word.Is("macdef")) {
      if (!scanner.Next(value)) break;
      scanner.SkipMacroBody();
    } else if (word.TooLong()) {
      // An unknown word is ignored, but not an over-long one.
      entry.spoiled = true;
    }
  }
  if (finish()) return true;
  if (haveDefault) *found = fallback;
  return haveDefault;
}

bool ReadNetrcCredentials(const char* fileName, const char* host, NetrcCredentials* found) {
  found->login[0] = '\0';
  found->password[0] = '\0';
  if (fileName == nullptr) return false;
  std::FILE* file = std::fopen(fileName, "rb");
  if (file == nullptr) return false;
  std::unique_ptr<char[]> text(new (std::nothrow) char[kMostNetrcBytes]);
  // A directory opens on POSIX but reads nothing.
  std::size_t length = text != nullptr ? std::fread(text.get(), 1, kMostNetrcBytes, file) : 0;
  std::fclose(file);
  return FindNetrcCredentials(text.get(), length, host, found);
}

}  // namespace client
