// The server certificate check of the Schannel session: the engine is told
// to leave validation to us, so the chain, the host name and the validity
// period are verified here once the handshake has run.
#pragma once

#include <string>
#include <vector>

#include "os/TlsSession.h"
#include "os/WindowsApi.h"

#include <wincrypt.h>

namespace os {

// Checks `certificate` (the server's, with the certificates it sent in its
// store) for `hostName`, trusting the system's roots plus the PEM
// certificates of the files `caFiles`. kNone when the certificate
// is good; otherwise why not (kUntrusted, kWrongName, kExpired or kOther).
// Revocation is not checked.
TlsFailure CheckServerCertificate(PCCERT_CONTEXT certificate, const char* hostName,
                                  const std::vector<std::string>& caFiles);

}  // namespace os
