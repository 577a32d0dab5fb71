# Regenerates the example files into OUT and compares them byte for byte with
# the committed ones in EXAMPLES.
file(REMOVE_RECURSE "${OUT}")
execute_process(COMMAND "${TOOL}" "${OUT}" RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the example tool failed (${rc})")
endif()
file(GLOB generated RELATIVE "${OUT}" "${OUT}/*")
foreach(name IN LISTS generated)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${OUT}/${name}" "${EXAMPLES}/${name}"
                  RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "examples/${name} differs from what the example tool writes; regenerate it")
  endif()
endforeach()
