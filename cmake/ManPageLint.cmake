# The manual pages must render without a single warning, on a UTF-8 terminal
# and on an ASCII one. Each linter that is installed gets a test.

find_program(CODVET_GROFF groff)
find_program(CODVET_MANDOC mandoc)
foreach(page codvet codvet-lint)
  # The program's own page keeps its test names.
  set(suffix "")
  if(NOT page STREQUAL "codvet")
    set(suffix ".${page}")
  endif()
  set(source ${CMAKE_CURRENT_SOURCE_DIR}/doc/${page}.1)
  if(CODVET_GROFF)
    foreach(device utf8 ascii)
      add_test(NAME ManPage.GroffWarnings.${device}${suffix}
        COMMAND ${CODVET_GROFF} -K utf8 -T${device} -man -ww -z ${source})
      # groff exits with 0 even when it warns: any output at all is a failure.
      set_tests_properties(ManPage.GroffWarnings.${device}${suffix} PROPERTIES
        FAIL_REGULAR_EXPRESSION ".")
    endforeach()
  endif()
  if(CODVET_MANDOC)
    add_test(NAME ManPage.MandocLint${suffix} COMMAND ${CODVET_MANDOC} -Tlint -W warning ${source})
    set_tests_properties(ManPage.MandocLint${suffix} PROPERTIES FAIL_REGULAR_EXPRESSION ".")
  endif()
endforeach()

