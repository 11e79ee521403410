// Platform settings and a text helper.
#pragma once

#include "mkres/MkresExport.h"

// The value `key` of the registry key
// HKEY_LOCAL_MACHINE\SOFTWARE\Veltrane\Mosaikon\4.1\INI\<section>, read afresh
// on each call. Never null: a missing value reads as "". The text belongs to
// the library and stays valid until the process ends.
MKRES_API const char* MwGetEnvironment(const char* section, const char* key);

// Removes blanks (space, tab, CR, LF) at the front and the back of `s` in
// place. Returns 1, or 0 for null.
MKRES_API char MwDelSpaceFrontBack(char* s);
