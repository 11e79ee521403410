// Platform strings: NUL-terminated byte strings on the kernel heap.
#pragma once

#include "mkcore/MkcoreExport.h"

// A new kernel-heap copy of `s`; null for null (or when memory is exhausted).
MKCORE_API char* NewString(char* s);

// Frees the string at *p and stores a new copy of `s` there.
MKCORE_API void SetNewString(char** p, char* s);

// Frees the string at *p (null is accepted). *p is left as it was: callers
// that go on using the field set it to null themselves.
MKCORE_API void FreeString(char** p);

// The kernel's allocation-failure handler. It has no memory of its own to
// give back, so it returns 0: the allocation of `size` bytes fails.
MKCORE_API int MKMemoryErrorHandle_(unsigned int size);
