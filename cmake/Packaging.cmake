# The Debian packages: `cpack -G DEB` in the build directory makes, from
# what `cmake --install` installs, under /usr, one package per component as
# Debian splits a library: codvet_VERSION_ARCH.deb (the program, which holds
# its own copy of the library), libcodvet0_... (the shared library) and
# libcodvet-dev_... (headers, static library, CMake package, pkg-config
# file). scripts/check-package.sh builds them, installs them and uses them.
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

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL program library development)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME codvet)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libcodvet${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
string(CONCAT CPACK_COMPONENT_LIBRARY_DESCRIPTION
  "The shared library under codvet: validates bytes in memory, from a read\n"
  "function or from a file, and hands over every problem with its byte offset.")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libcodvet-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
  "libcodvet${PROJECT_VERSION_MAJOR} (= ${PROJECT_VERSION})")
string(CONCAT CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
  "The development files of the codvet library: headers for C++ and C, the\n"
  "static library, the CMake package (find_package(codvet)) and the\n"
  "pkg-config file.")
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
