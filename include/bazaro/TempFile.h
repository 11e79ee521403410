// Temporary files in the system's temporary directory.
#pragma once

#include "bazaro/BazaroCommExport.h"

// Reserves a new temporary file: creates it empty in the system's temporary
// directory under the name "<directory>NNNNNNNN.tmp", with a random number
// that nobody can take in advance, and returns the full name as a platform string
// that the caller owns (FreeString) together with the file. The file is
// created exclusively (owner-only on POSIX), so two threads never get the same
// name and an entry planted under a name, a link included, is never followed:
// such a name is passed over. `directory` is accepted and not used.
//
// Null when the temporary directory's name leaves no room for the twelve
// characters of the file name within 255, or when no file could be created
// in 100 tries.
BAZAROCOMM_API char* MakeTempFile(char* directory);
