# Stops the build with a clear message when FILE (WHAT it is) does not exist.
if(NOT EXISTS "${FILE}")
  message(FATAL_ERROR "Missing ${FILE}: ${WHAT}.")
endif()
