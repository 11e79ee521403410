# zlib: Debian's zlib1g-dev natively; the static libz of libz-mingw-w64-dev for
# Windows, so that no zlib DLL has to travel with ours.
if(WIN32)
  set(ZLIB_USE_STATIC_LIBS ON)
endif()
find_package(ZLIB REQUIRED)
find_package(Threads REQUIRED)
