# Packs the top-level items of STAGE into OUTPUT as a deflate ZIP with fixed entry times.
file(GLOB items RELATIVE "${STAGE}" "${STAGE}/*")
list(SORT items)
execute_process(
  COMMAND ${CMAKE_COMMAND} -E tar cf "${OUTPUT}" --format=zip "--mtime=${MTIME}" -- ${items}
  WORKING_DIRECTORY "${STAGE}"
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "packing the payload failed")
endif()
