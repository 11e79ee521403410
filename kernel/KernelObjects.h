// What BazaroComm uses of the kernel object library mkcore: platform strings,
// the attribute dictionary and pads.
#pragma once

#include "mkcore/MkDictionary.h"
#include "mkcore/MkPadView.h"
#include "mkcore/MkSimplePad.h"
#include "mkcore/MkString.h"
