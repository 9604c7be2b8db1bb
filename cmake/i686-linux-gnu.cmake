# Cross build for 32-bit x86 Linux (i386) with Debian's g++-i686-linux-gnu:
#   cmake -S . -B build-i686 -DCMAKE_TOOLCHAIN_FILE=cmake/i686-linux-gnu.cmake
# scripts/test-arch.sh i686 does this and runs the tests.
#
# An x86-64 kernel runs 32-bit programs itself, with no emulator, so this is
# where a 32-bit program meets the real 32-bit system calls (qemu-user on a
# 64-bit machine would hide a missing large-file interface). The machine need
# not have the i386 architecture installed: with CODVET_I686_CROSS_RUNTIME
# (on by default) the programs are linked to run with the cross compiler's own
# loader and libraries in /usr/i686-linux-gnu/lib, by absolute path, so they
# run in place here but not on an i386 system. Turn it off for programs to
# be installed on one.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CODVET_CROSS_TRIPLE i686-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)

option(CODVET_I686_CROSS_RUNTIME "Link to run on this machine with the cross compiler's libraries" ON)
if(CODVET_I686_CROSS_RUNTIME)
  set(CODVET_CROSS_RUNS_HERE ON)
  set(CODVET_I686_RUNTIME_FLAGS
    "-Wl,--dynamic-linker=${CODVET_CROSS_SYSROOT}/lib/ld-linux.so.2 -Wl,-rpath,${CODVET_CROSS_SYSROOT}/lib")
  set(CMAKE_EXE_LINKER_FLAGS_INIT "${CODVET_I686_RUNTIME_FLAGS}")
  set(CMAKE_SHARED_LINKER_FLAGS_INIT "-Wl,-rpath,${CODVET_CROSS_SYSROOT}/lib")
  set(CMAKE_MODULE_LINKER_FLAGS_INIT "-Wl,-rpath,${CODVET_CROSS_SYSROOT}/lib")
endif()
