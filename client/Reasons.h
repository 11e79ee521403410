// Failure reasons: from what the transport saw to a BazaroReason, and from
// a reason to the line a user reads (internal to the library).
#pragma once

#include "os/TlsSession.h"

class PadServer;

namespace client {

// The reason for a TLS failure of the kind `failure`.
int TlsReason(os::TlsFailure failure);

// Why the work of `server` failed: cancelled when `cancelled` or the server
// was cut off, then the TLS failure, the cause noted before any exchange,
// the refusal's HTTP status (also stored in `status`, else 0), and the
// error of the first failing exchange; kReasonBrokenReply when every
// exchange went through but a reply could not be used.
int FailureReason(const PadServer& server, bool cancelled, int& status);

// A short English line for `reason` and its `detail` (the TLS failure kind
// for kReasonTlsOther); "" for kReasonNone. Static text.
const char* ReasonText(int reason, int detail);

}  // namespace client
