// The public way to a temporary file: the same reservation the transfers use.
#include "bazaro/TempFile.h"

#include "protocol/ScopedTempFile.h"

char* MakeTempFile(char* /*directory*/) { return protocol::ReserveTempFile(); }
