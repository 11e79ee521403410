// The host's loop for the calling thread's timers.
#pragma once

#include "mkres/MkresExport.h"

// Runs the calling thread's timers (and, on Windows, dispatches the thread's
// window messages) for about `milliseconds`, then returns. Timers fire only
// inside this call or inside another message loop of the same thread.
MKRES_API void MwRunLoop(unsigned int milliseconds);
