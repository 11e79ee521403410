// The bounds that keep one client from filling the server: what a pad, a
// parent and the file area may hold, and how long a body may stall. The
// defaults lie far beyond what a pad client ever uses.
#pragma once

#include <cstdint>

namespace padserver {

struct Limits {
  std::uint64_t maxAttributes = 1000;            // attributes per pad
  std::uint64_t maxAttributeBytes = 1ULL << 20;  // their names and values per pad
  std::uint64_t maxChildren = 100000;            // pads per parent, the top included
  std::uint64_t maxFiles = 10000;                // misc files
  std::uint64_t maxFileBytes = 10ULL << 30;      // misc files' bytes in all
  std::uint64_t bodyTimeoutSeconds = 30;         // wait for the next body bytes
};

}  // namespace padserver
