// rand_s: the C runtime's front to the system's random source, so that no
// further library is linked. It is declared only when asked for before the
// runtime's <stdlib.h>.
#define _CRT_RAND_S
#include <stdlib.h>

#include "os/RandomBytes.h"

#include <cstring>

namespace os {

bool RandomBytes(void* buffer, std::size_t size) {
  unsigned char* out = static_cast<unsigned char*>(buffer);
  while (size > 0) {
    unsigned int value = 0;
    if (rand_s(&value) != 0) return false;
    std::size_t piece = size < sizeof value ? size : sizeof value;
    std::memcpy(out, &value, piece);
    out += piece;
    size -= piece;
  }
  return true;
}

}  // namespace os
