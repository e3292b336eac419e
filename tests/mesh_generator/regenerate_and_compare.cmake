# Runs the mesh generator and fails unless its output equals the committed file.
execute_process(COMMAND ${GENERATOR} ${FONT} ${OUTPUT} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "mesh_generator failed (${status})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${COMMITTED} RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
  message(FATAL_ERROR "the generated mesh differs from ${COMMITTED}")
endif()
