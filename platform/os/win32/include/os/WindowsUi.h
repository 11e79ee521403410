// The Win32 window, dialog, resource and common-control calls, for the
// Windows front end of mkinstall and its tests. Resource scripts include it
// too: the resource compiler reads the same constants.
#pragma once

#include "os/WindowsApi.h"
#include <commctrl.h>
