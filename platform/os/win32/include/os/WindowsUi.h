// The Win32 window, dialog, resource and common-control calls, for the
// Windows front end of mkinstall and its tests. Resource scripts include it
// too: the resource compiler reads the same constants.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>
