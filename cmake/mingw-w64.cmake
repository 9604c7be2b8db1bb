# Cross build for 64-bit Windows with the mingw-w64 compilers of Debian
# (g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CODVET_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${CODVET_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CODVET_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${CODVET_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CODVET_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# codvet.exe is handed out as one file: the C++ and thread runtimes are linked
# in rather than shipped as DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# ctest runs the Windows test binary through wine when it is installed.
find_program(CODVET_WINE wine)
if(CODVET_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CODVET_WINE})
endif()
