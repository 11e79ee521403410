// The kernel heap.
//
// Every block handed across a library boundary of the platform comes from
// MwNew and goes back through MwDelete, whichever library frees it. The heap
// counts its live blocks so that tests can prove nothing leaks across the
// boundary. MwDelete aborts the process when given a pointer that MwNew did
// not return (a block from another allocator, or one freed twice), since
// that is memory corruption in the caller.
#pragma once

#include "mkres/MkresExport.h"

// A new block of at least `size` bytes (a zero size gives a distinct block),
// or null when memory is exhausted.
MKRES_API void* MwNew(unsigned int size);

// Frees a block from MwNew. Null is accepted.
MKRES_API void MwDelete(void* block);

// Blocks handed out by MwNew and not yet freed, process-wide.
MKRES_API long MwLiveBlockCount();
