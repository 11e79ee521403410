// The process's answer to exhausted memory.
#pragma once

#include "bazaro/BazaroCommExport.h"

// Installs the kernel's allocation-failure handler (MKMemoryErrorHandle_) as
// the new-handler of the C++ runtime the library runs on, remembering the
// handler that was in place before. When the kernel handler cannot free
// memory, the allocation fails as it would have without a handler (the
// new-handler throws std::bad_alloc for `new`; nothrow forms give null). A
// later call changes nothing while the kernel handler is installed. No
// operation of the library calls this; it is there for the library's user.
BAZAROCOMM_API void DLLSetMemoryErrorHandle();
