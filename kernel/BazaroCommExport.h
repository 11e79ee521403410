// BAZAROCOMM_API marks what the BazaroComm library exports.
#pragma once

#include "os/SymbolExport.h"

#if defined(BAZAROCOMM_BUILDING)
#define BAZAROCOMM_API OS_SYMBOL_EXPORT
#else
#define BAZAROCOMM_API OS_SYMBOL_IMPORT
#endif
