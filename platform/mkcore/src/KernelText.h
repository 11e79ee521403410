// Copies of texts on the kernel heap, shared by the library's sources.
#pragma once

namespace mkcore {

// A new kernel-heap copy of `text`; null for null or when memory is exhausted.
char* CopyText(const char* text);

// Frees a text from CopyText (null is accepted).
void FreeText(char* text);

}  // namespace mkcore
