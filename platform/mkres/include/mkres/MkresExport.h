// MKRES_API marks what the kernel resource library exports.
#pragma once

#include "os/SymbolExport.h"

#if defined(MKRES_BUILDING)
#define MKRES_API OS_SYMBOL_EXPORT
#else
#define MKRES_API OS_SYMBOL_IMPORT
#endif
