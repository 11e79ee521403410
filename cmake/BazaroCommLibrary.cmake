# The BazaroComm shared library: libBazaroComm.so.MAJOR.MINOR with the SONAME
# libBazaroComm.so.MAJOR (the project's version, set in Install.cmake), or
# BazaroComm.dll with its import library libBazaroComm.dll.a.
#
# Its code lives in static libraries, one per folder (bazaro_transport,
# bazaro_protocol, bazaro_client), compiled with BAZAROCOMM_BUILDING so that
# BAZAROCOMM_API exports. The test programs link those static libraries
# directly; the shared library takes them in whole and adds the allocation
# operators that route every allocation to the kernel heap. Code must not rely
# on that routing for blocks it hands out: those are taken with MwNew and
# given back with MwDelete explicitly.
add_library(BazaroComm SHARED)
# A pad's build sees the public headers and the kernel stand-ins, nothing else.
bazaro_export_header(BazaroComm BAZAROCOMM bazaro/BazaroCommExport.h)
target_include_directories(BazaroComm PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
                                             $<INSTALL_INTERFACE:include>)
target_link_libraries(BazaroComm PUBLIC bazaro_mkcore bazaro_mkres
                                 PRIVATE bazaro_kernel bazaro_os ZLIB::ZLIB)
target_link_libraries(BazaroComm PRIVATE bazaro_client)
# The parts link each other plainly; here every one of them is taken in whole,
# so that nothing the library exports is left out for want of a caller.
foreach(part bazaro_client bazaro_protocol bazaro_transport)
  set_property(TARGET BazaroComm PROPERTY LINK_LIBRARY_OVERRIDE_${part} WHOLE_ARCHIVE)
endforeach()
if(WIN32)
  target_link_libraries(BazaroComm PRIVATE ws2_32)
endif()
bazaro_use_kernel_heap(BazaroComm)
