# What both Windows toolchain files share; they set CMAKE_SYSTEM_PROCESSOR and
# BAZARO_MINGW_TRIPLE, then include this file. The posix thread model makes
# std::thread and std::mutex available.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${BAZARO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BAZARO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${BAZARO_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${BAZARO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# How much of the GCC runtime each program and DLL carries inside: everything
# unless the width's file says otherwise.
if(NOT DEFINED BAZARO_MINGW_LINK_FLAGS)
  set(BAZARO_MINGW_LINK_FLAGS "-static")
endif()
set(CMAKE_EXE_LINKER_FLAGS_INIT "${BAZARO_MINGW_LINK_FLAGS}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${BAZARO_MINGW_LINK_FLAGS}")
