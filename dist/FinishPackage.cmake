# CPack runs this once it has made the zip (CPACK_POST_BUILD_SCRIPTS). CPack writes each entry as
# the build left it: in the order the folder lists it, with the files' times, the permissions
# the umask gave, the owner's ids. strip-nondeterminism rewrites those (names sorted, every time
# the last commit's, permissions 644 or 755, no owner) and keeps every byte of the files, so
# the same sources give the same zip. SHA256SUMS beside it then lists the zip's hash and that of
# every file in it, as sha256sum -c reads them.
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(epoch STREQUAL "")
  execute_process(COMMAND git -C ${CPACK_TIUP_SOURCE_DIR} log -1 --format=%ct
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT epoch MATCHES "^[0-9]+$")
    message(FATAL_ERROR "${CPACK_TIUP_SOURCE_DIR} is no git checkout: set SOURCE_DATE_EPOCH to "
                        "the release's time (seconds since 1970) for the zip's entries")
  endif()
endif()

foreach(zip IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND ${CPACK_TIUP_STRIP_NONDETERMINISM} --type zip --timestamp ${epoch} ${zip}
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "strip-nondeterminism could not rewrite ${zip}")
  endif()

  # The files as the zip holds them, read back from it.
  set(unpacked ${CPACK_TOPLEVEL_DIRECTORY}/checksums)
  file(REMOVE_RECURSE ${unpacked})
  file(ARCHIVE_EXTRACT INPUT ${zip} DESTINATION ${unpacked})
  file(GLOB_RECURSE files RELATIVE ${unpacked} LIST_DIRECTORIES false ${unpacked}/*)
  list(SORT files)
  get_filename_component(name ${zip} NAME)
  file(SHA256 ${zip} hash)
  set(sums "${hash}  ${name}\n")
  foreach(file IN LISTS files)
    file(SHA256 "${unpacked}/${file}" hash)
    string(APPEND sums "${hash}  ${file}\n")
  endforeach()
  file(REMOVE_RECURSE ${unpacked})
  file(WRITE ${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS "${sums}")
endforeach()
