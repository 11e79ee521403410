// How long the transport waits for its peer.
//
// Two bounds govern every exchange: the time one readiness wait may last (the
// read time-out written into a connection after it is made) and the longest
// run of silence a send or the wait for the first byte of a reply tolerates
// before it gives up with WSAETIMEDOUT. They are class-wide values read by
// every connection; only tests change them, to keep slow cases fast.
#pragma once

namespace transport {

struct WaitBounds {
  unsigned int waitMilliseconds;     // one readiness wait
  unsigned int silenceMilliseconds;  // consecutive silence before giving up
};

constexpr WaitBounds kDefaultWaitBounds = {10000, 30000};

// The bounds in force. Safe to call from any thread.
WaitBounds CurrentWaitBounds();

}  // namespace transport
