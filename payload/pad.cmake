# Pads FILE with zero bytes to exactly SIZE bytes; refuses a file that is already larger.
file(SIZE "${FILE}" size)
if(size GREATER SIZE)
  message(FATAL_ERROR "${FILE} has ${size} bytes, more than the ${SIZE} it must have")
endif()
execute_process(COMMAND truncate -s "${SIZE}" "${FILE}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "padding ${FILE} failed")
endif()
