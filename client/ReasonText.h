// Failure reasons: from what the transport saw to a BazaroReason, and from
// a reason to the line a user reads (internal to the library).
#pragma once

#include "os/TlsSession.h"

namespace client {

// The reason for a TLS failure of the kind `failure`.
int TlsReason(os::TlsFailure failure);

// A short English line for `reason` and its `detail` (the TLS failure kind
// for kReasonTlsOther); "" for kReasonNone. Static text.
const char* ReasonText(int reason, int detail);

}  // namespace client
