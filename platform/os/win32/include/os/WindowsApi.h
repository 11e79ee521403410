// <windows.h> the way this layer includes it: lean, and without the min and
// max macros. Every Win32 header of the layer takes it from here.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
