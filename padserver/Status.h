// The outcome of handling a request: an HTTP status code and, for a failure,
// a short reason that the reply carries as "error=...".
#pragma once

#include <string>
#include <utility>

namespace padserver {

struct Status {
  int code = 200;
  std::string reason;

  static Status Ok() { return Status{}; }
  static Status Fail(int code, std::string reason) { return Status{code, std::move(reason)}; }
  bool IsOk() const { return code == 200; }
};

// Status codes the server answers with.
constexpr int kBadRequest = 400;
constexpr int kForbidden = 403;
constexpr int kNotFound = 404;
constexpr int kMethodNotAllowed = 405;
constexpr int kRequestTimeout = 408;
constexpr int kPayloadTooLarge = 413;
constexpr int kServerError = 500;
constexpr int kUnavailable = 503;
constexpr int kInsufficientStorage = 507;

}  // namespace padserver
