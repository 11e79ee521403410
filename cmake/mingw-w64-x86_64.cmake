# Cross-compiling for 64-bit Windows (x86-64) with mingw-w64. Programs and DLLs
# carry the GCC runtime (libgcc, libstdc++, winpthread) inside, so they run on
# a bare Windows: exceptions unwind through the system's own tables there, so
# every module may have its own copy of the runtime.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(BAZARO_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
