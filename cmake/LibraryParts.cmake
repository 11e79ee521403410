# bazaro_library_part(name sources...): one folder's static part of BazaroComm.
function(bazaro_library_part name)
  add_library(${name} STATIC ${ARGN})
  target_compile_definitions(${name} PUBLIC BAZAROCOMM_BUILDING)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC bazaro_kernel bazaro_os)
endfunction()
