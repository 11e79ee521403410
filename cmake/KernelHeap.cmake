# bazaro_use_kernel_heap(target): routes the global allocation operators of a
# shared library to the kernel heap (MwNew/MwDelete) without exporting them.
#
# On ELF the operators would otherwise become part of the library's dynamic
# symbol table and replace the host program's own operator new. The C++
# runtime is linked in statically and its symbols kept local (the library's
# own parts are static archives too, but they export what BAZAROCOMM_API
# marks), so that every allocation the library makes, inline or inside the
# runtime, pairs with the same operators.
# On Windows a DLL's operators are its own as long as nothing exports them;
# the runtime is static there as everywhere.
function(bazaro_use_kernel_heap target)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/kernel/AllocationOperators.cpp)
  target_link_libraries(${target} PRIVATE bazaro_mkres)
  if(WIN32)
    # Only what the sources mark with dllexport leaves the DLL; without any
    # such mark the linker would export every symbol, operators included.
    target_link_options(${target} PRIVATE -Wl,--exclude-all-symbols)
  else()
    target_link_options(${target} PRIVATE
      -static-libstdc++ -static-libgcc
      -Wl,--exclude-libs,libstdc++.a:libgcc.a:libgcc_eh.a:libsupc++.a
      -Wl,--version-script=${PROJECT_SOURCE_DIR}/kernel/LocalAllocation.map)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS
      ${PROJECT_SOURCE_DIR}/kernel/LocalAllocation.map)
  endif()
endfunction()
