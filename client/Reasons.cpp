#include "client/Reasons.h"

#include "bazaro/Reason.h"
#include "transport/PadServer.h"

namespace client {

int TlsReason(os::TlsFailure failure) {
  switch (failure) {
    case os::TlsFailure::kNone:
      return kReasonNone;
    case os::TlsFailure::kUntrusted:
      return kReasonTlsUntrusted;
    case os::TlsFailure::kWrongName:
      return kReasonTlsNameMismatch;
    default:
      return kReasonTlsOther;
  }
}

namespace {

int StatusReason(int status) {
  switch (status) {
    case 401:
    case 407:
      return kReasonNotAuthorized;
    case 403:
      return kReasonForbidden;
    case 404:
      return kReasonNotFound;
    case 413:
      return kReasonTooLarge;
    default:
      return kReasonRefused;
  }
}

int ErrorReason(int error) {
  switch (error) {
    case WSAHOST_NOT_FOUND:
    case WSATRY_AGAIN:
    case WSANO_RECOVERY:
    case WSANO_DATA:
      return kReasonCannotResolve;
    case WSAECONNREFUSED:
    case WSAENETUNREACH:
    case WSAEHOSTUNREACH:
    case WSAENETDOWN:
    case WSAEHOSTDOWN:
    case WSAEADDRNOTAVAIL:
      return kReasonCannotConnect;
    case WSAETIMEDOUT:
      return kReasonTimedOut;
    case WSAENOBUFS:
      return kReasonOutOfMemory;
    default:
      return kReasonBrokenReply;
  }
}

}  // namespace

int FailureReason(const PadServer& server, bool cancelled, int& status) {
  status = 0;
  if (cancelled || server.WasCutOff()) return kReasonCancelled;
  os::TlsFailure tls = server.LastTlsFailure();
  if (tls != os::TlsFailure::kNone) return TlsReason(tls);
  if (server.NotedCause() != 0) return server.NotedCause();
  // Only a status of three digits is one: "HTTP/1.0 2" cut short is not.
  int answered = server.FailedStatus();
  if (answered >= 100 && answered <= 599 && (answered < 200 || answered > 299)) {
    status = answered;
    return StatusReason(answered);
  }
  return ErrorReason(server.FailedResult());
}

const char* ReasonText(int reason, int detail) {
  switch (reason) {
    case kReasonTlsUntrusted:
      return "the server's certificate is not trusted";
    case kReasonTlsNameMismatch:
      return "the server's certificate names another host";
    case kReasonTlsOther:
      break;
    case kReasonCannotResolve:
      return "the server's name could not be resolved";
    case kReasonCannotConnect:
      return "the server could not be reached";
    case kReasonTimedOut:
      return "the server did not answer in time";
    case kReasonCancelled:
      return "the request was cancelled";
    case kReasonNotAuthorized:
      return "the server asks for a valid user and password";
    case kReasonForbidden:
      return "the server refuses this user";
    case kReasonNotFound:
      return "the server has no such pad or file";
    case kReasonTooLarge:
      return "the data is larger than allowed";
    case kReasonRefused:
      return "the server refused the request";
    case kReasonBrokenReply:
      return "the server's reply was cut short or not understood";
    case kReasonLocalFile:
      return "a local file could not be read or written";
    case kReasonOutOfMemory:
      return "memory ran out";
    case kReasonBadArgument:
      return "a name or value cannot be sent";
    default:
      return "";
  }
  switch (static_cast<os::TlsFailure>(detail)) {
    case os::TlsFailure::kExpired:
      return "the server's certificate has expired";
    case os::TlsFailure::kNotTls:
      return "the server does not speak TLS";
    case os::TlsFailure::kOldProtocol:
      return "the server offers only TLS older than 1.2";
    case os::TlsFailure::kStalled:
      return "the TLS handshake went silent";
    case os::TlsFailure::kTruncated:
      return "the connection ended without closing TLS";
    default:
      return "the TLS handshake failed";
  }
}

}  // namespace client
