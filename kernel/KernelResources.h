// What BazaroComm uses of the kernel resource library mkres: the kernel heap,
// settings, paths and files, actions, timers and rectangles.
#pragma once

#include "mkres/MwAction.h"
#include "mkres/MwEnvironment.h"
#include "mkres/MwFile.h"
#include "mkres/MwMemory.h"
#include "mkres/MwObject.h"
#include "mkres/MwPath.h"
#include "mkres/MwRectangle.h"
#include "mkres/MwTimer.h"
