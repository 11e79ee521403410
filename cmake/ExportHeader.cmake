# bazaro_export_header(LIBRARY PREFIX FILE): writes the export macro PREFIX_API header
# FILE (relative to <build>/include) for the shared library LIBRARY; its code
# is compiled with PREFIX_BUILDING. Public headers include it as they include
# each other, and it is installed beside them.
set(BAZARO_GENERATED_INCLUDE_DIR ${PROJECT_BINARY_DIR}/include)
function(bazaro_export_header library prefix file)
  set(LIBRARY ${library})
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
endfunction()
