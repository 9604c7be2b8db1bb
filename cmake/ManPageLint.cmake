# The manual page must render without a single warning, on a UTF-8 terminal
# and on an ASCII one. Each linter that is installed gets a test.
set(CODVET_MAN_PAGE ${CMAKE_CURRENT_SOURCE_DIR}/doc/codvet.1)

find_program(CODVET_GROFF groff)
if(CODVET_GROFF)
  foreach(device utf8 ascii)
    add_test(NAME ManPage.GroffWarnings.${device}
      COMMAND ${CODVET_GROFF} -K utf8 -T${device} -man -ww -z ${CODVET_MAN_PAGE})
    # groff exits with 0 even when it warns: any output at all is a failure.
    set_tests_properties(ManPage.GroffWarnings.${device} PROPERTIES FAIL_REGULAR_EXPRESSION ".")
  endforeach()
endif()

find_program(CODVET_MANDOC mandoc)
if(CODVET_MANDOC)
  add_test(NAME ManPage.MandocLint COMMAND ${CODVET_MANDOC} -Tlint -W warning ${CODVET_MAN_PAGE})
  set_tests_properties(ManPage.MandocLint PROPERTIES FAIL_REGULAR_EXPRESSION ".")
endif()
