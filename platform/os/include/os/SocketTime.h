// Time-outs for the sockets library's waits, from milliseconds.
#pragma once

#include "os/SocketApi.h"

namespace os {

inline timeval TimevalFromMilliseconds(unsigned int milliseconds) {
  timeval value;
  value.tv_sec = static_cast<long>(milliseconds / 1000);
  value.tv_usec = static_cast<long>((milliseconds % 1000) * 1000);
  return value;
}

}  // namespace os
