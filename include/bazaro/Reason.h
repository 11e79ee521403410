// Why a request failed, as far as the client can tell.
//
// Read inside TaskEnd with BazaroComm::QueryResultReason (and, for a line
// to show a user, QueryResultReasonText). kReasonNone means the client
// found no cause it can name, which is also the answer for a request that
// did not fail. The numbers are part of the interface and never change;
// new reasons get new numbers.
#pragma once

enum BazaroReason {
  kReasonNone = 0,
  kReasonTlsUntrusted = 1,     // the certificate leads to no trusted root
  kReasonTlsNameMismatch = 2,  // the certificate does not name the server
  kReasonTlsOther = 3,         // another TLS failure: the text tells which
};
