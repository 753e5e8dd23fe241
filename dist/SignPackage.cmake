# CPack runs this after it has put the distribution into its staging folder and before it makes
# the zip (CPACK_PRE_BUILD_SCRIPTS): the two programs are signed there, so the zip holds them
# signed while the distribution folder of the build tree stays as it was built.
if("$ENV{TIUP_SIGN_PFX}" STREQUAL "")
  message(STATUS "Not signed: TIUP_SIGN_PFX names no certificate, so the zip holds unsigned programs")
  return()
endif()
foreach(path description IN ZIP_LISTS CPACK_TIUP_SIGNED_FILES CPACK_TIUP_SIGNED_DESCRIPTIONS)
  execute_process(COMMAND ${CPACK_TIUP_SIGN_SCRIPT} "${description}"
                          "${CPACK_TEMPORARY_DIRECTORY}/${path}"
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "Signing ${path} failed: no zip is made")
  endif()
endforeach()
