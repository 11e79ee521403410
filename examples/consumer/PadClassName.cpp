#include "PadClassName.h"

#include "bazaro/BazaroComm.h"

const char* PadClassName(MkSimplePad* pad) { return pad->GetClassName(); }
