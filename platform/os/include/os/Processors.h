// How many processors the machine offers, to size pools of worker threads.
#pragma once

namespace os {

// The number of processors available to this program; at least 1.
unsigned int ProcessorCount();

}  // namespace os
