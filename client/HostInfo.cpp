#include "bazaro/HostInfo.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "client/KernelHeapAllocation.h"
#include "kernel/KernelObjects.h"

namespace {

// Each part of an address text is at most this long; longer parts are refused.
constexpr std::size_t kMaxPartLength = 255;

// Copies text[begin, end) into `buffer` (kMaxPartLength + 1 bytes). False
// when the part is too long.
bool TakePart(const char* begin, const char* end, char* buffer) {
  std::size_t length = static_cast<std::size_t>(end - begin);
  if (length > kMaxPartLength) return false;
  std::memcpy(buffer, begin, length);
  buffer[length] = '\0';
  return true;
}

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

unsigned short ReadPort(const char* text) {
  return static_cast<unsigned short>(std::strtoul(text, nullptr, 0) & 0xFFFFu);
}

// The schemes an address may begin with, and the port each implies.
struct Scheme {
  const char* prefix;
  unsigned short defaultPort;
  bool secure;
};
const Scheme kSchemes[] = {{"https://", 443, true}, {"http://", 80, false}};

// The scheme `address` begins with (compared without regard to case), or null.
const Scheme* FindScheme(const char* address) {
  for (const Scheme& scheme : kSchemes) {
    std::size_t i = 0;
    while (scheme.prefix[i] != '\0' &&
           std::tolower(static_cast<unsigned char>(address[i])) == scheme.prefix[i]) {
      ++i;
    }
    if (scheme.prefix[i] == '\0') return &scheme;
  }
  return nullptr;
}

// The parts of "scheme://host[:port][/path]" behind its scheme: the host
// runs up to ":", "/", white space or the end and must not be empty; the
// port, when given, up to "/"; the path from "/" up to white space. False
// for an empty host or a part longer than kMaxPartLength.
bool SplitSchemeAddress(const char* at, const Scheme& scheme, char* hostText, unsigned short& port,
                        char* pathText, bool& hasPath) {
  const char* hostEnd = at;
  while (*hostEnd != '\0' && *hostEnd != ':' && *hostEnd != '/' && !IsBlank(*hostEnd)) ++hostEnd;
  if (hostEnd == at || !TakePart(at, hostEnd, hostText)) return false;
  at = hostEnd;
  port = scheme.defaultPort;
  if (*at == ':') {
    char portText[kMaxPartLength + 1];
    const char* portEnd = at + 1;
    while (*portEnd != '\0' && *portEnd != '/' && !IsBlank(*portEnd)) ++portEnd;
    if (!TakePart(at + 1, portEnd, portText)) return false;
    if (portText[0] != '\0') port = ReadPort(portText);
    at = portEnd;
  }
  hasPath = *at == '/';
  if (hasPath) {
    const char* pathEnd = at;
    while (*pathEnd != '\0' && !IsBlank(*pathEnd)) ++pathEnd;
    if (!TakePart(at, pathEnd, pathText)) return false;
  }
  return true;
}

}  // namespace

BAZARO_DEFINE_KERNEL_HEAP_OPERATORS(HostInfo)

HostInfo::HostInfo() : host(nullptr), port(0), secure_(0), path(nullptr) {}

HostInfo::~HostInfo() {
  FreeString(&host);
  FreeString(&path);
}

char* HostInfo::Host() { return host; }

unsigned short HostInfo::Port() { return port; }

char* HostInfo::Path() { return path; }

bool HostInfo::Secure() { return secure_ != 0; }

void HostInfo::SetInfo(char* newHost, unsigned short newPort, char* newPath) {
  // Copy first: the new texts may be this object's own.
  char* hostCopy = NewString(newHost);
  char* pathCopy = NewString(newPath);
  FreeString(&host);
  FreeString(&path);
  host = hostCopy;
  port = newPort;
  path = pathCopy;
  secure_ = 0;
}

// The split follows the scan "%[^:]:%[^/]%s" with every part bounded: the
// host is the run before the first ":", the port text the run after it up to
// the first "/", the path the run from that "/" up to the first white space.
// Each run must hold at least one character, and the split stops at the first
// part that is missing.
char HostInfo::SetInfo(const char* address) {
  if (address == nullptr) return 0;
  char hostText[kMaxPartLength + 1];
  char portText[kMaxPartLength + 1];
  char pathText[kMaxPartLength + 1];
  if (const Scheme* scheme = FindScheme(address)) {
    unsigned short schemePort = 0;
    bool schemePath = false;
    if (!SplitSchemeAddress(address + std::strlen(scheme->prefix), *scheme, hostText, schemePort,
                            pathText, schemePath)) {
      return 0;
    }
    SetInfo(hostText, schemePort, schemePath ? pathText : nullptr);
    secure_ = scheme->secure ? 1 : 0;
    return 1;
  }
  bool hasHost = false;
  bool hasPort = false;
  bool hasPath = false;

  const char* at = address;
  const char* hostEnd = std::strchr(at, ':');
  if (hostEnd == nullptr) hostEnd = at + std::strlen(at);
  if (hostEnd != at) {
    if (!TakePart(at, hostEnd, hostText)) return 0;
    hasHost = true;
    at = hostEnd;
  }
  if (hasHost && *at == ':') {
    ++at;
    const char* portEnd = std::strchr(at, '/');
    if (portEnd == nullptr) portEnd = at + std::strlen(at);
    if (portEnd != at) {
      if (!TakePart(at, portEnd, portText)) return 0;
      hasPort = true;
      at = portEnd;
    }
  }
  if (hasPort && *at == '/') {
    const char* pathEnd = at;
    while (*pathEnd != '\0' && !IsBlank(*pathEnd)) ++pathEnd;
    if (!TakePart(at, pathEnd, pathText)) return 0;
    hasPath = true;
  }

  unsigned short portNumber = 0;
  if (hasPort) {
    portNumber = ReadPort(portText);
  }
  SetInfo(hasHost ? hostText : nullptr, portNumber, hasPath ? pathText : nullptr);
  return 1;
}

HostInfo* HostInfo::Copy() {
  HostInfo* copy = new HostInfo;
  if (copy != nullptr) {
    copy->SetInfo(host, port, path);
    copy->secure_ = secure_;
  }
  return copy;
}
