# The reference pad server, a native tool. The native build takes its folder
# in; a cross build builds it with the host's compiler as a project of its
# own, so that the integration tests, which run under the emulator, have a
# server to talk to. Either way BAZARO_PAD_CGI_DIR names the directory that
# holds its programs.
if(NOT CMAKE_CROSSCOMPILING)
  add_subdirectory(padserver)
elseif(BAZARO_BUILD_TESTS)
  include(ExternalProject)
  set(BAZARO_PAD_CGI_DIR ${CMAKE_BINARY_DIR}/pad-server-host/cgi-bin)
  ExternalProject_Add(bazaro_pad_server_host
    SOURCE_DIR ${PROJECT_SOURCE_DIR}/padserver
    BINARY_DIR ${CMAKE_BINARY_DIR}/pad-server-host
    CMAKE_GENERATOR ${CMAKE_GENERATOR}
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=cc -DCMAKE_CXX_COMPILER=c++
    INSTALL_COMMAND ""
    # Ninja in the host build decides what is out of date.
    BUILD_ALWAYS ON)
endif()
