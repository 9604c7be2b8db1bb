# Run by CPack before it packs (CPACK_PRE_BUILD_SCRIPTS): Debian packages
# ship their manual pages compressed, as codvet.1.gz. `cmake --install`
# alone still installs the plain codvet.1.
# The pages lie one level deeper when each component is packed apart.
file(GLOB_RECURSE pages "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.1")
list(FILTER pages INCLUDE REGEX "/share/man/man1/[^/]*\\.1$")
if(NOT pages)
  message(FATAL_ERROR "no manual page under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
foreach(page IN LISTS pages)
  execute_process(COMMAND gzip -9 -n -f "${page}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip failed on ${page}")
  endif()
endforeach()
