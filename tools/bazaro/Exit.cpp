#include "tools/bazaro/Exit.h"

#include <cstdio>

namespace bazaro {

int Report(const Failure& failure) {
  if (!failure.message.empty()) std::fprintf(stderr, "bazaro: %s\n", failure.message.c_str());
  return failure.status;
}

}  // namespace bazaro
