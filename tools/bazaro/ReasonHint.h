// What bazaro tells a user to try when a request failed for a reason the
// library names.
#pragma once

#include <string>

namespace bazaro {

// "not authorized: check --user or the netrc file" for kReasonNotAuthorized,
// and so on: the reason's short name and what to check. Empty for a reason
// with no useful advice.
std::string ReasonHint(int reason);

}  // namespace bazaro
