#include "tools/bazaro/ReasonHint.h"

#include "bazaro/Reason.h"

namespace bazaro {

namespace {

struct Hint {
  int reason;
  const char* text;
};

const Hint kHints[] = {
    {kReasonNotAuthorized, "not authorized: check --user or the netrc file"},
    {kReasonForbidden, "forbidden: this user may not do that; ask the pad's owner or use --user"},
    {kReasonNotFound, "not found: check the identifier or name ('bazaro list' shows the pads)"},
    {kReasonCannotResolve, "cannot resolve: check the host name in --server or BAZARO_SERVER"},
    {kReasonCannotConnect,
     "cannot connect: check the address in --server and that the pad server runs"},
    {kReasonTimedOut, "timed out: the server or the network is slow or stuck; try again later"},
    {kReasonTlsUntrusted, "untrusted certificate: trust the server's authority with --cacert FILE"},
    {kReasonTlsNameMismatch,
     "certificate name mismatch: use the host name the certificate names in --server"},
    {kReasonTooLarge, "too large: the server takes less; send less or raise its limit"},
    {kReasonLocalFile, "local file: check the path, the free space and the permissions"},
};

}  // namespace

std::string ReasonHint(int reason) {
  for (const Hint& hint : kHints) {
    if (hint.reason == reason) return hint.text;
  }
  return "";
}

}  // namespace bazaro
