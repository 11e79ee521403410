# cmake -DLIBRARY=file -DNM=nm -DOBJDUMP=objdump -DWINDOWS=0|1
#       [-DREQUIRED=regex] -P this-file
#
# Fails when the shared library exports a global allocation operator
# (operator new or delete in any form), which would replace the host
# program's own, or when no exported symbol matches REQUIRED (so that a link
# that hides everything does not pass unnoticed).
if(WINDOWS)
  execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE symbols RESULT_VARIABLE result)
else()
  execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY} OUTPUT_VARIABLE symbols
                  RESULT_VARIABLE result)
endif()
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cannot read the symbols of ${LIBRARY}")
endif()
string(REGEX MATCHALL "_Z(nw|na|dl|da)[A-Za-z0-9_]*" found "${symbols}")
if(found)
  message(FATAL_ERROR "${LIBRARY} exports allocation operators: ${found}")
endif()
if(REQUIRED AND NOT symbols MATCHES "${REQUIRED}")
  message(FATAL_ERROR "${LIBRARY} does not export ${REQUIRED}")
endif()
message(STATUS "${LIBRARY}: no allocation operator exported")
