# zlib: Debian's zlib1g-dev natively; the static libz of libz-mingw-w64-dev for
# Windows, so that no zlib DLL has to travel with ours.
if(WIN32)
  set(ZLIB_USE_STATIC_LIBS ON)
endif()
find_package(ZLIB REQUIRED)
find_package(Threads REQUIRED)

# The GCC runtime DLLs a Windows toolchain links against (none for x86-64) are
# copied next to the programs and DLLs they serve, and ship with them.
foreach(dll ${BAZARO_MINGW_RUNTIME_DLLS})
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "the toolchain's ${dll} is missing")
  endif()
  file(COPY ${path} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
endforeach()
