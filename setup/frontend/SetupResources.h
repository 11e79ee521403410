// The resource ids of mkinstall's Windows front end, shared by its code and
// its resource scripts (so plain macros: the resource compiler reads them).
#pragma once

#define MKINSTALL_DIALOG 102  // the progress dialog, in English and Japanese
#define MKINSTALL_SPLASH 103  // the splash picture, 320 by 400, 256 colours
#define MKINSTALL_ICON 128    // the program's icon, large and small

// The dialog's controls; the OK button is IDOK (1).
#define MKINSTALL_SOURCE 1000       // the file being read
#define MKINSTALL_DESTINATION 1001  // the file being changed
#define MKINSTALL_PROGRESS 1002     // the class step's progress, 0 to 100
#define MKINSTALL_STATUS 1004       // what is being done
