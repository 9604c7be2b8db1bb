# Cross build for IBM Z Linux (s390x, big-endian) with Debian's
# g++-s390x-linux-gnu; the programs and tests run here under qemu-user
# (package qemu-user):
#   cmake -S . -B build-s390x -DCMAKE_TOOLCHAIN_FILE=cmake/s390x-linux-gnu.cmake
# scripts/test-arch.sh s390x does this and runs the tests.
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(CODVET_CROSS_TRIPLE s390x-linux-gnu)
set(CODVET_CROSS_QEMU qemu-s390x)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
