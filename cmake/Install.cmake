# What `cmake --install` puts in place, and the package a pad's build finds:
#
#   include/bazaro/       the client's public headers and its export macro
#   include/mkcore, mkres the kernel stand-ins' headers (test hooks left out)
#   lib/ (bin/ on Windows) BazaroComm with its version (and SONAME natively),
#                         and the kernel stand-ins mkcore and mkres
#   bin/                  mkinstall and bazaro (with the GCC runtime DLLs the
#                         toolchain needs on Windows)
#   libexec/bazaro/cgi-bin the reference pad server's programs (natively)
#   lib/cmake/BazaroComm  find_package(BazaroComm) -> Bazaro::BazaroComm
#   lib/pkgconfig         BazaroComm.pc
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set_target_properties(BazaroComm PROPERTIES VERSION ${PROJECT_VERSION}
                                            SOVERSION ${PROJECT_VERSION_MAJOR})
set_target_properties(bazaro_mkcore PROPERTIES EXPORT_NAME mkcore)
set_target_properties(bazaro_mkres PROPERTIES EXPORT_NAME mkres)

bazaro_version_resource(BazaroComm "BazaroComm: shares pads with a pad server")
bazaro_version_resource(bazaro_mkcore "mkcore: kernel objects (stand-in)")
bazaro_version_resource(bazaro_mkres "mkres: kernel resources (stand-in)")
bazaro_version_resource(bazaro "bazaro: shares pads with a pad server from a shell")

# Natively the installed programs find the libraries beside or below them.
if(NOT WIN32)
  set_target_properties(BazaroComm bazaro_mkcore bazaro_mkres PROPERTIES INSTALL_RPATH "$ORIGIN")
  set_target_properties(mkinstall bazaro PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
endif()

install(TARGETS BazaroComm bazaro_mkcore bazaro_mkres
        EXPORT BazaroCommTargets
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS mkinstall bazaro RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
foreach(dll ${BAZARO_MINGW_RUNTIME_DLLS})
  install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${dll} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()

# The public headers: exactly these, and nothing that only tests reach.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/bazaro ${BAZARO_GENERATED_INCLUDE_DIR}/bazaro
                  ${BAZARO_GENERATED_INCLUDE_DIR}/mkcore ${BAZARO_GENERATED_INCLUDE_DIR}/mkres
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/platform/mkcore/include/mkcore
                  ${PROJECT_SOURCE_DIR}/platform/mkres/include/mkres
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        PATTERN "*TestHelper.h" EXCLUDE)

set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/BazaroComm)
install(EXPORT BazaroCommTargets NAMESPACE Bazaro:: DESTINATION ${package_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/BazaroCommConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/BazaroCommConfig.cmake
                              INSTALL_DESTINATION ${package_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/BazaroCommConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/BazaroCommConfig.cmake
              ${PROJECT_BINARY_DIR}/BazaroCommConfigVersion.cmake
        DESTINATION ${package_dir})

configure_file(${PROJECT_SOURCE_DIR}/cmake/BazaroComm.pc.in ${PROJECT_BINARY_DIR}/BazaroComm.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/BazaroComm.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# A ZIP of the installed tree: on Windows, what a user unpacks to run
# mkinstall.exe and bazaro.exe (cpack in the build tree).
set(CPACK_PACKAGE_NAME BazaroComm)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR ZIP)
if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME windows-x86_64)
  else()
    set(CPACK_SYSTEM_NAME windows-x86)
  endif()
endif()
include(CPack)
