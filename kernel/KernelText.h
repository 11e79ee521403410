// The kernel's interfaces take `char*` for texts they only read (keys, names,
// paths, settings); Text passes a constant text to them.
#pragma once

namespace kernel {

inline char* Text(const char* text) { return const_cast<char*>(text); }

}  // namespace kernel
