if(BAZARO_SANITIZE)
  if(WIN32)
    message(FATAL_ERROR "BAZARO_SANITIZE applies to the native build only")
  endif()
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
# The fuzz build instruments every target for libFuzzer's coverage and runs
# under AddressSanitizer and UndefinedBehaviorSanitizer; only the fuzz
# programs link the fuzzer's own main.
if(BAZARO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "BAZARO_FUZZ needs clang (CC=clang CXX=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined
                      -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
# The ThreadSanitizer build, for the tests of the threads in the client and
# the transport. It cannot share a build with the other sanitizers.
if(BAZARO_TSAN)
  if(WIN32)
    message(FATAL_ERROR "BAZARO_TSAN applies to the native build only")
  endif()
  if(BAZARO_SANITIZE OR BAZARO_FUZZ)
    message(FATAL_ERROR "BAZARO_TSAN excludes BAZARO_SANITIZE and BAZARO_FUZZ")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
