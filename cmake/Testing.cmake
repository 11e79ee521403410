# Test programs: GoogleTest, one program per source folder, run by ctest
# natively and, for the Windows build, under Wine in a private prefix.

if(WIN32)
  # GoogleTest built from Debian's sources with the cross compiler.
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(BAZARO_GTEST GTest::gtest)
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
  endif()
else()
  find_package(GTest REQUIRED)
  set(BAZARO_GTEST GTest::gtest)
endif()

if(CMAKE_CROSSCOMPILING AND WIN32)
  # Wine's loader for the build's width, called directly: /usr/bin/wine picks
  # the 32-bit loader whenever 32-bit Wine is installed, and that one cannot
  # start programs in a 64-bit prefix made without it. Each width gets a prefix
  # of its own kind: a 32-bit build runs in a 32-bit prefix, as on 32-bit
  # Windows.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(BAZARO_WINEARCH win32)
    set(wine_loader wine)
  else()
    set(BAZARO_WINEARCH win64)
    set(wine_loader wine64)
  endif()
  find_program(BAZARO_WINE_LOADER ${wine_loader} PATHS /usr/lib/wine NO_DEFAULT_PATH)
  if(NOT BAZARO_WINE_LOADER)
    message(FATAL_ERROR "Wine's ${BAZARO_WINEARCH} loader (/usr/lib/wine/${wine_loader}) is missing: "
                        "scripts/install-dependencies installs it")
  endif()
  find_program(BAZARO_WINESERVER NAMES wineserver PATHS /usr/lib/wine NO_DEFAULT_PATH REQUIRED)
  set(BAZARO_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-prefix.sh.in ${CMAKE_BINARY_DIR}/wine-prefix
                 @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
  # One prefix for the whole run, made before the first test and with its
  # server kept alive between test programs.
  add_test(NAME wine_prefix_start COMMAND ${CMAKE_BINARY_DIR}/wine-prefix start)
  add_test(NAME wine_prefix_stop COMMAND ${CMAKE_BINARY_DIR}/wine-prefix stop)
  set_tests_properties(wine_prefix_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
  set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)
endif()

add_library(bazaro_test_main STATIC ${PROJECT_SOURCE_DIR}/tests/shared/TestMain.cpp
                                    ${PROJECT_SOURCE_DIR}/tests/shared/LiveBlockCheck.cpp
                                    ${PROJECT_SOURCE_DIR}/tests/shared/ScratchDirectory.cpp
                                    ${PROJECT_SOURCE_DIR}/tests/shared/EnvironmentOverride.cpp
                                    ${PROJECT_SOURCE_DIR}/tests/shared/TempDirectoryOverride.cpp)
target_include_directories(bazaro_test_main PUBLIC ${PROJECT_SOURCE_DIR}/tests/shared)
target_link_libraries(bazaro_test_main PUBLIC ${BAZARO_GTEST} bazaro_mkres bazaro_os)

# bazaro_add_test_program(NAME name SOURCES ... LIBRARIES ... [TIMEOUT seconds]
#                         [SHARED_REGISTRY] [WRAPPER script])
#
# SHARED_REGISTRY marks a program that changes the platform's settings in the
# registry (under Wine one registry serves every program); such programs never
# run at the same time. WRAPPER names a script that runs the program (its
# path the first argument), for servers the program needs.
function(bazaro_add_test_program)
  cmake_parse_arguments(ARG "SHARED_REGISTRY" "NAME;TIMEOUT;WRAPPER" "SOURCES;LIBRARIES" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBRARIES} bazaro_test_main)
  if(ARG_WRAPPER)
    add_test(NAME ${ARG_NAME} COMMAND bash ${ARG_WRAPPER} $<TARGET_FILE:${ARG_NAME}>)
  else()
    add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME})
  endif()
  set_tests_properties(${ARG_NAME} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  if(ARG_SHARED_REGISTRY)
    set_tests_properties(${ARG_NAME} PROPERTIES RESOURCE_LOCK platform_registry)
  endif()
  if(CMAKE_CROSSCOMPILING AND WIN32)
    set_tests_properties(${ARG_NAME} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
endfunction()
