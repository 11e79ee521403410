// A small shared library built exactly as BazaroComm is (allocation operators
// routed to the kernel heap), so the tests can watch where its allocations go.
#pragma once

#include <cstddef>

#include "heap_probe/HeapProbeExport.h"

// `new int(value)` inside the library.
HEAP_PROBE_API int* HeapProbeNewInt(int value);
// `delete` inside the library.
HEAP_PROBE_API void HeapProbeDeleteInt(int* block);
// Builds a std::string of `length` characters inside the library, growing it
// one character at a time, and returns its length.
HEAP_PROBE_API std::size_t HeapProbeGrowString(std::size_t length);
// `new (std::nothrow) char[size]` inside the library; the result is freed
// again at once. True when the allocation succeeded.
HEAP_PROBE_API bool HeapProbeTryAllocate(std::size_t size);
