#include "protocol/ResponseCheck.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "transport/PadServer.h"

namespace protocol {

namespace {

constexpr char kVersionPrefix[] = "HTTP/";
constexpr std::size_t kVersionPrefixLength = sizeof kVersionPrefix - 1;
constexpr char kContentLength[] = "content-length:";
constexpr std::size_t kContentLengthSize = sizeof kContentLength - 1;
constexpr char kLineEnds[] = "\r\n";
// The status line's start that holds the version and the status.
constexpr std::size_t kStatusLineSize = 64;

// True when [text, end) begins with the `size` characters of `lowerName`,
// compared without regard to case.
bool StartsWithName(const char* text, const char* end, const char* lowerName, std::size_t size) {
  if (static_cast<std::size_t>(end - text) < size) return false;
  for (std::size_t i = 0; i < size; ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != lowerName[i]) return false;
  }
  return true;
}

// False when the first Content-Length line of the head [head, end) announces
// more than `bodyLength` bytes, or a value that is not a number; true when it
// announces no more, or when the head has no such line and none is required.
bool BodyComplete(const char* head, const char* end, unsigned long long bodyLength,
                  bool lengthRequired) {
  for (const char* line = head; line < end;) {
    const char* lineEnd = std::find(line, end, '\n');
    if (StartsWithName(line, lineEnd, kContentLength, kContentLengthSize)) {
      const char* value = line + kContentLengthSize;
      while (value < lineEnd && (*value == ' ' || *value == '\t')) ++value;
      if (value == lineEnd || !std::isdigit(static_cast<unsigned char>(*value))) return false;
      // The digits stop before the line end. A number too large for the type
      // reads as its maximum, which no received body reaches.
      return std::strtoull(value, nullptr, 10) <= bodyLength;
    }
    line = lineEnd + 1;
  }
  return !lengthRequired;
}

}  // namespace

int CheckResponse(const char* text, unsigned long length, unsigned long long dropped,
                  bool lengthRequired) {
  if (text == nullptr || length < kVersionPrefixLength ||
      std::memcmp(text, kVersionPrefix, kVersionPrefixLength) != 0) {
    return -1;
  }
  const char* end = text + length;
  // The status comes from the first line alone, not from whatever follows.
  // (A fixed buffer, not a std::string: the string's code may come from the
  // host program, with another heap than the library's.)
  char statusLine[kStatusLineSize];
  std::size_t lineLength =
      static_cast<std::size_t>(std::find_first_of(text, end, kLineEnds, kLineEnds + 2) - text);
  lineLength = std::min(lineLength, sizeof statusLine - 1);
  std::memcpy(statusLine, text, lineLength);
  statusLine[lineLength] = '\0';
  int status = PadServer::StatusCode(statusLine);
  if (status < 200 || status > 299) return -1;

  // LocateBody only reads the text.
  unsigned long bodyLength = length;
  const char* body = PadServer::LocateBody(const_cast<char*>(text), bodyLength, false);
  if (body == nullptr) return -1;
  return BodyComplete(text, body, bodyLength + dropped, lengthRequired) ? 0 : -1;
}

}  // namespace protocol
