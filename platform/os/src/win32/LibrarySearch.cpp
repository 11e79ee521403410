// Library search on Windows: SetDefaultDllDirectories, found at run time
// because systems without its update (and older headers) lack it.
#include "os/LibrarySearch.h"

#include "os/WindowsApi.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace os {

bool RestrictLibrarySearch() {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return false;
  using SetDirectories = BOOL(WINAPI*)(DWORD);
  FARPROC found = GetProcAddress(kernel, "SetDefaultDllDirectories");
  if (found == nullptr) return false;
  SetDirectories set = reinterpret_cast<SetDirectories>(reinterpret_cast<void (*)()>(found));
  return set(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}

}  // namespace os
