#include "tools/bazaro/Exit.h"

#include <cstdio>

#include "bazaro/Reason.h"
#include "tools/bazaro/ReasonHint.h"

namespace bazaro {

int Report(const Failure& failure) {
  if (!failure.message.empty()) std::fprintf(stderr, "bazaro: %s\n", failure.message.c_str());
  std::string hint = failure.hint;
  if (hint.empty() && failure.status == kLocalFile) hint = ReasonHint(kReasonLocalFile);
  if (!hint.empty()) std::fprintf(stderr, "bazaro: %s\n", hint.c_str());
  return failure.status;
}

}  // namespace bazaro
