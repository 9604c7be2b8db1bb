# What the Linux cross toolchain files share (cmake/aarch64-linux-gnu.cmake,
# cmake/s390x-linux-gnu.cmake, cmake/i686-linux-gnu.cmake): Debian's cross
# compilers for CODVET_CROSS_TRIPLE, whose libraries are in /usr/TRIPLE, and,
# where CODVET_CROSS_QEMU names a qemu-user program that is installed, that
# program as the emulator that runs the built programs and tests here.
set(CMAKE_SYSTEM_NAME Linux)

set(CMAKE_C_COMPILER ${CODVET_CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${CODVET_CROSS_TRIPLE}-g++)

set(CODVET_CROSS_SYSROOT /usr/${CODVET_CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH ${CODVET_CROSS_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# qemu-user runs one program of another processor on this machine's kernel;
# -L gives it the target's loader and libraries. No binfmt_misc handler is
# needed (containers often have none): ctest and the tests that start the
# program put the emulator in front of it themselves.
if(CODVET_CROSS_QEMU)
  find_program(CODVET_CROSS_QEMU_PROGRAM ${CODVET_CROSS_QEMU})
  if(CODVET_CROSS_QEMU_PROGRAM)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CODVET_CROSS_QEMU_PROGRAM} -L ${CODVET_CROSS_SYSROOT})
  endif()
endif()
