# Writes the build's source time (seconds since 1970) to OUTPUT: SOURCE_DATE_EPOCH when it is
# set, else the time of the commit in SOURCE_DIR. Every time the shipped files store (the linker's
# PE time stamps, the payload's entries of built files) is this one, so that two builds of one
# commit agree. The file is rewritten only when the time changes: what depends on it is then
# linked or packed again, and only then.
#   cmake -DSOURCE_DIR=... -DOUTPUT=... -DFALLBACK=... -P source_date.cmake
if(DEFINED ENV{SOURCE_DATE_EPOCH} AND NOT "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
else()
  # safe.directory: a clone owned by another user still names its commit.
  execute_process(COMMAND git -c "safe.directory=${SOURCE_DIR}" log -1 --format=%ct
                  WORKING_DIRECTORY "${SOURCE_DIR}" OUTPUT_VARIABLE epoch ERROR_QUIET
                  OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR epoch STREQUAL "")
    message(WARNING "No commit to take the time from and no SOURCE_DATE_EPOCH: using ${FALLBACK}")
    set(epoch "${FALLBACK}")
  endif()
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  message(FATAL_ERROR "SOURCE_DATE_EPOCH must be seconds since 1970, not '${epoch}'")
endif()
file(CONFIGURE OUTPUT "${OUTPUT}" CONTENT "${epoch}\n")
