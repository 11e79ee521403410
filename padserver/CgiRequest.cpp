#include "padserver/CgiRequest.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "padserver/RequestBody.h"

namespace padserver {

namespace {

const char* EnvironmentValue(const char* name, void*) { return std::getenv(name); }

// A decimal byte count; false for anything else.
bool ReadCount(const std::string& text, std::uint64_t& count) {
  if (text.empty() || text.size() > 19) return false;
  count = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    count = count * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return true;
}

struct Setting {
  const char* variable;
  std::string CgiRequest::*text;
  std::uint64_t Limits::*value;
};

constexpr Setting kLimitSettings[] = {
    {"BAZARO_PAD_MAX_ATTRIBUTES", &CgiRequest::maxAttributes, &Limits::maxAttributes},
    {"BAZARO_PAD_MAX_ATTRIBUTE_BYTES", &CgiRequest::maxAttributeBytes, &Limits::maxAttributeBytes},
    {"BAZARO_PAD_MAX_CHILDREN", &CgiRequest::maxChildren, &Limits::maxChildren},
    {"BAZARO_PAD_MAX_FILES", &CgiRequest::maxFiles, &Limits::maxFiles},
    {"BAZARO_PAD_MAX_FILE_BYTES", &CgiRequest::maxFileBytes, &Limits::maxFileBytes},
    {"BAZARO_PAD_BODY_TIMEOUT", &CgiRequest::bodyTimeout, &Limits::bodyTimeoutSeconds},
};

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// Whether the Host header names this server: its name or address, or the
// loopback names, alone or with the server's port.
bool IsOwnHost(const CgiRequest& request) {
  if (request.host.empty()) return true;
  const std::string names[] = {request.serverName, request.serverAddr,
                               "[" + request.serverAddr + "]", "localhost", "127.0.0.1"};
  for (const std::string& name : names) {
    if (name.empty() || name == "[]") continue;
    if (SameName(request.host, name)) return true;
    if (!request.serverPort.empty() && SameName(request.host, name + ":" + request.serverPort)) {
      return true;
    }
  }
  return false;
}

}  // namespace

CgiRequest CgiRequest::FromVariables(Lookup lookup, void* context) {
  auto value = [lookup, context](const char* name) {
    const char* text = lookup(name, context);
    return std::string(text != nullptr ? text : "");
  };
  CgiRequest request;
  request.method = value("REQUEST_METHOD");
  request.contentLength = value("CONTENT_LENGTH");
  request.scriptName = value("SCRIPT_NAME");
  request.pathInfo = value("PATH_INFO");
  request.origin = value("HTTP_ORIGIN");
  request.host = value("HTTP_HOST");
  request.serverName = value("BAZARO_PAD_SERVER_NAME");
  if (request.serverName.empty()) request.serverName = value("SERVER_NAME");
  request.serverAddr = value("SERVER_ADDR");
  request.serverPort = value("SERVER_PORT");
  request.remoteUser = value("REMOTE_USER");
  request.dataDirectory = value("BAZARO_PAD_DATA");
  request.store = value("BAZARO_PAD_STORE");
  request.maxBody = value("BAZARO_PAD_MAX_BODY");
  for (const Setting& setting : kLimitSettings) request.*setting.text = value(setting.variable);
  return request;
}

CgiRequest CgiRequest::FromEnvironment() {
  // One request per process: its standard streams serve it until it ends.
  static DescriptorStreams standardStreams(0, 1);
  CgiRequest request = FromVariables(EnvironmentValue, nullptr);
  request.streams = &standardStreams;
  return request;
}

bool CgiRequest::ReadLimits(Limits& limits) const {
  limits = Limits();
  for (const Setting& setting : kLimitSettings) {
    const std::string& text = this->*setting.text;
    if (!text.empty() && !ReadCount(text, limits.*setting.value)) return false;
  }
  return true;
}

std::uint64_t CgiRequest::BodyTimeout() const {
  Limits limits;
  ReadLimits(limits);
  return limits.bodyTimeoutSeconds;
}

Status CgiRequest::Accept(std::uint64_t ceiling, std::uint64_t& length) const {
  length = 0;
  std::uint64_t limit = kDefaultMaxBody;
  Limits limits;
  if (dataDirectory.empty() || (!maxBody.empty() && !ReadCount(maxBody, limit)) ||
      !ReadLimits(limits)) {
    return Status::Fail(kServerError, "server not configured");
  }
  if (!origin.empty()) return Status::Fail(kForbidden, "cross-site request refused");
  if (!IsOwnHost(*this)) return Status::Fail(kBadRequest, "unknown host");
  if (method != "POST") return Status::Fail(kMethodNotAllowed, "only POST is served");
  if (!ReadCount(contentLength, length)) return Status::Fail(kBadRequest, "no body length");
  if (length > std::min(limit, ceiling)) return Status::Fail(kPayloadTooLarge, "body too large");
  return Status::Ok();
}

Status CgiRequest::ReadShortBody(std::string& text) const {
  text.clear();
  std::uint64_t length = 0;
  Status status = Accept(kMaxCommandBody, length);
  if (!status.IsOk()) return status;
  RequestBody body(*streams, length, BodyTimeout());
  return body.ReadAll(text);
}

}  // namespace padserver
