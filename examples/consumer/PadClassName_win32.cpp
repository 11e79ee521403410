// <windows.h> first, then the pad's headers.
#include <windows.h>

#include "PadClassName.h"
#include "bazaro/BazaroComm.h"

const char* PadClassName(MkSimplePad* pad) { return pad->GetClassName(); }
