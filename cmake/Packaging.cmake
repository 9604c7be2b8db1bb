# The Debian package: `cpack -G DEB` in the build directory makes
# codvet_VERSION_ARCH.deb from what `cmake --install` installs, under /usr.
# scripts/check-package.sh builds it, installs it and runs the program.
set(CODVET_PACKAGE_MAINTAINER "codvet developers <dev@codvet.invalid>"
  CACHE STRING "Maintainer field of the Debian package")

set(CPACK_PACKAGE_NAME codvet)
set(CPACK_PACKAGE_VENDOR "codvet developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${CODVET_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "check that text files are well formed in a Japanese text encoding")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "codvet checks files in Shift_JIS, Windows-31J, EUC-JP, ISO-2022-JP, UTF-8\n"
  "and UTF-16 without converting them, and prints one line for every problem\n"
  "it finds: the file, the byte offset, a message in English and Japanese and\n"
  "the offending code. Its exit status tells whether every file was valid.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/CompressManPages.cmake)
# A plain `cpack` makes the Debian package on Linux and an archive elsewhere.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(CPACK_GENERATOR DEB)
else()
  set(CPACK_GENERATOR ZIP)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CODVET_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The C and C++ runtime libraries, with the versions the build needs, come
# from dpkg-shlibdeps (package dpkg-dev); without it, unversioned names.
find_program(CODVET_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(CODVET_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
endif()

include(CPack)
