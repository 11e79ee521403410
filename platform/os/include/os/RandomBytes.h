// Bytes from the operating system's random source, for values that other
// users of the machine must not be able to predict.
#pragma once

#include <cstddef>

namespace os {

// Fills all `size` bytes of `buffer`. False when the source failed; the
// buffer is then not to be used.
bool RandomBytes(void* buffer, std::size_t size);

}  // namespace os
