// Why a request failed, as far as the client can tell.
//
// Read inside TaskEnd with BazaroComm::QueryResultReason (and, for a line
// to show a user, QueryResultReasonText; for a refusal, the HTTP status with
// QueryResultStatus). kReasonNone is the answer for a request that did not
// fail. The numbers are part of the interface and never change; new reasons
// get new numbers.
#pragma once

enum BazaroReason {
  kReasonNone = 0,
  kReasonTlsUntrusted = 1,     // the certificate leads to no trusted root
  kReasonTlsNameMismatch = 2,  // the certificate does not name the server
  kReasonTlsOther = 3,         // another TLS failure: the text tells which
  kReasonCannotResolve = 4,    // the server's (or proxy's) name has no address
  kReasonCannotConnect = 5,    // no connection could be made
  kReasonTimedOut = 6,         // the server went silent
  kReasonCancelled = 7,        // cut off by Cancel (or the client's end)
  kReasonNotAuthorized = 8,    // 401 or 407: credentials missing or wrong
  kReasonForbidden = 9,        // 403: the server refuses this user
  kReasonNotFound = 10,        // 404: no such pad or file
  kReasonTooLarge = 11,        // 413, or over the client's download limit
  kReasonRefused = 12,         // another HTTP status: QueryResultStatus
  kReasonBrokenReply = 13,     // a reply cut short or not understood
  kReasonLocalFile = 14,       // a local file could not be read or written
  kReasonOutOfMemory = 15,     // memory ran out
  kReasonBadArgument = 16,     // a name or value that cannot travel
};
