# bazaro_export_header(TARGET PREFIX FILE): gives the shared library TARGET its
# export macro PREFIX_API, written from one template into FILE (relative to
# <build>/include): TARGET's code is compiled with PREFIX_BUILDING and sees
# the written headers, as do its users. Public headers include it as they
# include each other, and it is installed beside them.
set(BAZARO_GENERATED_INCLUDE_DIR ${PROJECT_BINARY_DIR}/include)
function(bazaro_export_header target prefix file)
  get_target_property(LIBRARY ${target} OUTPUT_NAME)
  if(NOT LIBRARY)
    set(LIBRARY ${target})
  endif()
  set(PREFIX ${prefix})
  if(WIN32)
    set(EXPORT_FORM "__declspec(dllexport)")
    set(IMPORT_FORM "__declspec(dllimport)")
  else()
    set(EXPORT_FORM "__attribute__((visibility(\"default\")))")
    set(IMPORT_FORM "${EXPORT_FORM}")
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/cmake/ExportMacro.h.in
                 ${BAZARO_GENERATED_INCLUDE_DIR}/${file} @ONLY)
  target_compile_definitions(${target} PRIVATE ${prefix}_BUILDING)
  target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${BAZARO_GENERATED_INCLUDE_DIR}>)
endfunction()
