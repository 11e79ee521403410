# The platform variant, chosen once for the whole build: win32 for Windows,
# posix elsewhere. Sources and headers that differ per target sit in folders
# or carry suffixes of that name (platform/os/src/posix, main_win32.cpp).
if(WIN32)
  set(BAZARO_VARIANT win32)
else()
  set(BAZARO_VARIANT posix)
endif()
