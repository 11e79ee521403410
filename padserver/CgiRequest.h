// What a program gets from the web server: the request's method and
// announced length, the server's settings, and the streams of its body and
// response. Under CGI the variables are the process's environment; a FastCGI
// responder takes them from each request's parameters.
//
// The settings come from the variables that the web server's configuration
// gives the programs: BAZARO_PAD_DATA names the data directory,
// BAZARO_PAD_STORE a PostgreSQL connection URI for the pad records (the data
// directory's SQLite database when unset),
// BAZARO_PAD_MAX_BODY the largest body accepted, in bytes (1 GiB when unset),
// and BAZARO_PAD_MAX_ATTRIBUTES, BAZARO_PAD_MAX_ATTRIBUTE_BYTES,
// BAZARO_PAD_MAX_CHILDREN, BAZARO_PAD_MAX_FILES, BAZARO_PAD_MAX_FILE_BYTES and
// BAZARO_PAD_BODY_TIMEOUT (seconds) the Limits, their defaults when unset.
#pragma once

#include <cstdint>
#include <string>

#include "padserver/Limits.h"
#include "padserver/RequestStreams.h"
#include "padserver/Status.h"

namespace padserver {

constexpr std::uint64_t kDefaultMaxBody = 1ULL << 30;
// Command bodies are one short line; a larger one is refused whatever the
// configured limit says, since it is read into memory whole.
constexpr std::uint64_t kMaxCommandBody = 1ULL << 20;

struct CgiRequest {
  std::string method;         // REQUEST_METHOD
  std::string contentLength;  // CONTENT_LENGTH as given
  // SCRIPT_NAME and PATH_INFO, which together are the request's path with
  // its escapes decoded, however the web server splits it.
  std::string scriptName;
  std::string pathInfo;
  std::string origin;  // HTTP_ORIGIN: a browser's mark of a cross-site request
  std::string host;    // HTTP_HOST, the name the client asked for
  // BAZARO_PAD_SERVER_NAME, or SERVER_NAME without it: a web server that
  // was not told its name (lighttpd) fills SERVER_NAME from Host itself.
  std::string serverName;
  std::string serverAddr;     // SERVER_ADDR
  std::string serverPort;     // SERVER_PORT
  std::string remoteUser;     // REMOTE_USER, the account; empty without accounts
  std::string dataDirectory;  // BAZARO_PAD_DATA
  std::string store;          // BAZARO_PAD_STORE, empty for the embedded store
  std::string maxBody;        // BAZARO_PAD_MAX_BODY, empty for the default
  // The Limits as given, empty for their defaults.
  std::string maxAttributes;
  std::string maxAttributeBytes;
  std::string maxChildren;
  std::string maxFiles;
  std::string maxFileBytes;
  std::string bodyTimeout;
  RequestStreams* streams = nullptr;  // the body and the response, not owned

  // Gives the value of the variable `name`, or null when it is unset.
  using Lookup = const char* (*)(const char* name, void* context);

  // The request that `lookup` describes; its streams are left to the caller.
  static CgiRequest FromVariables(Lookup lookup, void* context);

  // The request of this CGI process: its environment, standard input and
  // output.
  static CgiRequest FromEnvironment();

  // Checks that the request is a POST with a valid length of at most
  // `ceiling` bytes and of the configured limit, and that the server has a
  // data directory: 405, 400, 413 or 500 otherwise. `length` is the body's.
  // A request a browser made for another site's page (Origin) is refused
  // with 403, and one that names a host other than this server (a name that
  // leads here through someone else's DNS) with 400; pad clients send
  // neither header.
  Status Accept(std::uint64_t ceiling, std::uint64_t& length) const;

  // The configured Limits; false when one of them is not a number.
  bool ReadLimits(Limits& limits) const;

  // The seconds a body may stall.
  std::uint64_t BodyTimeout() const;

  // Accept for a body of at most kMaxCommandBody bytes, then the whole body.
  Status ReadShortBody(std::string& text) const;
};

}  // namespace padserver
