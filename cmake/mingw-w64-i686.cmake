# Cross-compiling for 32-bit Windows (x86) with mingw-w64: the width of the
# platform that loads the library.
#
# On x86 GCC unwinds exceptions with DWARF tables that each module registers
# with one unwinder. An exception the kernel libraries throw (they report
# exhausted memory so) can only be caught in BazaroComm when both registered
# with the same unwinder, so it comes from libgcc's DLL (libgcc_s_dw2-1.dll,
# with the libwinpthread-1.dll it needs), which ships beside the library;
# libstdc++ is still carried inside each module.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(BAZARO_MINGW_TRIPLE i686-w64-mingw32)
set(BAZARO_MINGW_LINK_FLAGS "-static-libstdc++ -shared-libgcc")
set(BAZARO_MINGW_RUNTIME_DLLS libgcc_s_dw2-1.dll libwinpthread-1.dll)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
