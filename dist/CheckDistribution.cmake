# Checks that the distribution folder DIST holds exactly the files listed in EXPECTED, and that
# the release zip CPack makes from BUILD unpacks to the same files with the same contents.
file(STRINGS ${EXPECTED} expected)
list(SORT expected)

file(GLOB_RECURSE found RELATIVE ${DIST} LIST_DIRECTORIES false ${DIST}/*)
list(SORT found)
if(NOT found STREQUAL expected)
  set(extra ${found})
  list(REMOVE_ITEM extra ${expected})
  set(missing ${expected})
  list(REMOVE_ITEM missing ${found})
  message(FATAL_ERROR "The distribution folder ${DIST} differs from its documented contents.\n"
                      "Not documented: ${extra}\nMissing: ${missing}")
endif()

set(work ${BUILD}/dist-check)
file(REMOVE_RECURSE ${work})
get_filename_component(bin ${CMAKE_COMMAND} DIRECTORY)
# Unsigned, whatever certificate the environment names: the zip must hold the folder's bytes.
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=TIUP_SIGN_PFX
                        ${bin}/cpack -G ZIP --config ${BUILD}/CPackConfig.cmake -B ${work}
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
file(GLOB zips ${work}/*.zip)
list(LENGTH zips count)
if(NOT status EQUAL 0 OR NOT count EQUAL 1)
  message(FATAL_ERROR "CPack did not make one zip (status ${status}):\n${output}")
endif()
file(MAKE_DIRECTORY ${work}/unpacked)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${zips} WORKING_DIRECTORY ${work}/unpacked
                RESULT_VARIABLE status)
# One folder named like the zip, holding the distribution.
get_filename_component(name ${zips} NAME_WE)
string(REGEX REPLACE "\\.zip$" "" name "${zips}")
get_filename_component(name "${name}" NAME)
set(root ${work}/unpacked/${name})
if(NOT status EQUAL 0 OR NOT IS_DIRECTORY ${root})
  message(FATAL_ERROR "The zip ${zips} does not unpack to the folder ${name}")
endif()
file(GLOB_RECURSE unpacked RELATIVE ${root} LIST_DIRECTORIES false ${root}/*)
list(SORT unpacked)
if(NOT unpacked STREQUAL expected)
  message(FATAL_ERROR "The zip holds:\n${unpacked}\nexpected:\n${expected}")
endif()
foreach(path IN LISTS expected)
  file(SHA256 "${DIST}/${path}" a)
  file(SHA256 "${root}/${path}" b)
  if(NOT a STREQUAL b)
    message(FATAL_ERROR "${path} in the zip differs from the distribution folder")
  endif()
endforeach()
file(REMOVE_RECURSE ${work})
message(STATUS "The distribution folder and the zip hold exactly the documented files")
