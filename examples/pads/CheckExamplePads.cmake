# Runs the example pad writer into OUT and compares each file it writes with
# the committed one in EXPECTED.
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${PROGRAM} ${OUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "make-example-pads failed: ${result}")
endif()
foreach(name board.pad note-1.pad note-2.pad photo.pad)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${name} ${EXPECTED}/${name}
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "examples/pads/${name} is not what make-example-pads writes")
  endif()
endforeach()
