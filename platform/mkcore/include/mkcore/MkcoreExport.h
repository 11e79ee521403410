// MKCORE_API marks what the kernel object library exports.
#pragma once

#include "os/SymbolExport.h"

#if defined(MKCORE_BUILDING)
#define MKCORE_API OS_SYMBOL_EXPORT
#else
#define MKCORE_API OS_SYMBOL_IMPORT
#endif
