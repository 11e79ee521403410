// The number of descriptors the process has open, so that a test can show
// that sockets and files come back. Counted natively only (from the
// process's descriptor table); the Windows build answers -1, not counted,
// since Wine's handle counts include its own bookkeeping.
#pragma once

int OpenDescriptorCount();
