# The usual hardening for every program and library the project builds, so
# that whatever ships carries it; scripts/lib/check-hardening checks the
# installed files for it.
#
# Natively: a stack protector for every function with a local array or an
# address-taken local, RELRO with immediate binding (the dynamic relocations
# are read-only once loaded), and _FORTIFY_SOURCE in optimised builds only
# (it needs the optimiser, and the sanitizers bring their own checks and
# interceptors, so it is left out of their builds).
#
# On Windows: relocatable images (ASLR), no execution from data pages, and a
# 64-bit address space for ASLR on x86-64. The binutils in use set these by
# default; they are stated here so that a toolchain that does not still
# produces them.
if(WIN32)
  add_link_options(-Wl,--dynamicbase -Wl,--nxcompat)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    add_link_options(-Wl,--high-entropy-va)
  endif()
else()
  add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-fstack-protector-strong>)
  add_link_options(-Wl,-z,relro,-z,now)
  if(NOT BAZARO_SANITIZE AND NOT BAZARO_FUZZ AND NOT BAZARO_TSAN)
    add_compile_options(
      "$<$<AND:$<COMPILE_LANGUAGE:C,CXX>,$<CONFIG:Release,RelWithDebInfo,MinSizeRel>>:-D_FORTIFY_SOURCE=2>")
  endif()
endif()
