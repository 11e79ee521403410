// The Windows registry: callers use the Win32 names directly.
#pragma once

#include "os/WindowsApi.h"
