// The Win32 window, dialog, resource and common-control calls, for the
// Windows front end of mkinstall and its tests. Resource scripts include it
// too: the resource compiler reads the same constants.
#pragma once

// <windows.h> as this layer has it comes before what builds on it.
#include "os/WindowsApi.h"

#include <commctrl.h>
