#include "client/ReasonText.h"

#include "bazaro/Reason.h"

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

const char* ReasonText(int reason, int detail) {
  switch (reason) {
    case kReasonTlsUntrusted:
      return "the server's certificate is not trusted";
    case kReasonTlsNameMismatch:
      return "the server's certificate names another host";
    case kReasonTlsOther:
      break;
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
